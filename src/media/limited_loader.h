// Opening many media files a few at a time, for the task editor.
//
// enqueue() queues a request and returns its contract; at most `limit` contracts have their file
// opening (or opened) at once, started in the order of the enqueue calls. A contract's `loaded`
// turns true (on the file's open thread) when the open attempt is over; dropping the contract's
// last handle frees its place for the next queued request. A queued request whose contract was
// dropped is not opened.
//
// Threads: enqueue, pump and the dropping of contracts belong to one thread (the GUI thread).
// The loader and its contracts may be destroyed in either order: a contract that outlives its
// loader no longer reaches it, and a loader's queued contracts go with it.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <set>

#include "common/variable.h"
#include "media/open_media.h"

class LimitedLoader {
 public:
  class LoadContract;

  explicit LimitedLoader(int32_t limit);
  ~LimitedLoader();
  LimitedLoader(const LimitedLoader&) = delete;
  LimitedLoader& operator=(const LimitedLoader&) = delete;

  std::shared_ptr<LoadContract> enqueue(MediaOpenRequest request);
  // Starts queued opens while fewer than `limit` are under way.
  void pump();

  size_t activeCount() const;
  size_t queuedCount() const;

 private:
  struct Core;
  static void pump(const std::shared_ptr<Core>& core);

  std::shared_ptr<Core> core;
};

class LimitedLoader::LoadContract {
 public:
  LoadContract(std::weak_ptr<Core> owner, MediaOpenRequest request);
  ~LoadContract();
  LoadContract(const LoadContract&) = delete;
  LoadContract& operator=(const LoadContract&) = delete;

  // false until the open starts; then it follows the file's opened().
  const connections::VariableMemPtr<bool>& getLoaded() const { return loaded; }
  // Empty until the open starts.
  const std::shared_ptr<VideoFile>& getFile() const { return file; }
  const MediaOpenRequest& getRequest() const { return request; }

 private:
  friend class LimitedLoader;
  std::weak_ptr<Core> owner;
  connections::VariableMemPtr<bool> loaded;
  std::shared_ptr<VideoFile> file;
  MediaOpenRequest request;
};
