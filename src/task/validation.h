// Checking a task before it is run: the method, the files and their media, the groups and the
// references, the method's own checks, and whether a pass of it can be held. Never throws; an
// empty list means the task is fine.
#pragma once

#include <string>
#include <vector>

#include "avifile/property_validator.h"
#include "media/video_info.h"
#include "task/task.h"

// The messages in the order of the checks. `taskFilePath` may be empty (a task never saved).
std::vector<ValidationMessage> validateTask(const Task& task, const std::wstring& taskFilePath,
                                            VideoInfoCache& media);

// The error of a method that cannot run online, when the task asks for "network": "network not
// supported by <method>".
std::vector<ValidationMessage> refuseOnline(const Task& task, const std::string& method);
