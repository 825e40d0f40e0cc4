// The archive upload of a finished pass: the task names the server, the password and the folder.
#include "ftp/archive_upload.h"
#include "results/result_store.h"
#include "task/play.h"
#include "task/task_properties.h"

bool ResultStore::uploadArchive() {
  if (!play) return false;
  const PropertyMap& p = play->context.loadedTask.task.properties;
  const VixoProperties& t = getTaskProperties();
  nsFTP::ArchiveUpload upload;
  upload.server = t.resultCollectingFtp.getStringProperty(p);
  upload.password = t.resultCollectingFtpPass.getStringProperty(p);
  upload.folder = t.resultCollectingFtpDir.getStringProperty(p);
  upload.localPath = archivePath();
  upload.remoteName = passName() + L".vixores";
  return nsFTP::uploadArchive(upload);
}
