#include "media/limited_loader.h"

#include <algorithm>

struct LimitedLoader::Core {
  std::list<std::shared_ptr<LoadContract>> queue;  // waiting, oldest first
  std::set<LoadContract*> active;                  // opening or opened
  int32_t limit = 1;
  bool pumping = false;
};

LimitedLoader::LimitedLoader(int32_t limit) : core(std::make_shared<Core>()) {
  core->limit = std::max(limit, 1);
}

LimitedLoader::~LimitedLoader() {
  // The queued contracts go after the core, so that they find no loader to reach back into.
  const auto queued = std::move(core->queue);
  core.reset();
}

std::shared_ptr<LimitedLoader::LoadContract> LimitedLoader::enqueue(MediaOpenRequest request) {
  auto contract = std::make_shared<LoadContract>(core, std::move(request));
  core->queue.push_back(contract);
  pump();
  return contract;
}

void LimitedLoader::pump() { pump(core); }

void LimitedLoader::pump(const std::shared_ptr<Core>& core) {
  // Dropping a contract below runs its destructor, which pumps again: that inner call returns
  // at once and this loop goes on.
  if (core->pumping) return;
  core->pumping = true;
  struct Done {
    Core& core;
    ~Done() { core.pumping = false; }
  } done{*core};
  while (core->active.size() < static_cast<size_t>(core->limit) && !core->queue.empty()) {
    std::shared_ptr<LoadContract> next = std::move(core->queue.front());
    core->queue.pop_front();
    if (next.use_count() == 1) continue;  // nobody waits for it any more
    next->file = openMedia(next->request);
    next->loaded->assign(next->file->opened());
    core->active.insert(next.get());
  }
}

size_t LimitedLoader::activeCount() const { return core->active.size(); }
size_t LimitedLoader::queuedCount() const { return core->queue.size(); }

LimitedLoader::LoadContract::LoadContract(std::weak_ptr<Core> owner, MediaOpenRequest request)
    : owner(std::move(owner)),
      loaded(connections::makeVariableMem(false)),
      request(std::move(request)) {}

LimitedLoader::LoadContract::~LoadContract() {
  if (const auto core = owner.lock()) {
    core->active.erase(this);
    pump(core);
  }
}
