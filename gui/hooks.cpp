#include "gui/hooks.h"

#include <array>
#include <memory>

#include "gui/event_modules.h"
#include "system/runtime_error.h"

namespace qm {

namespace {

constexpr int kHookIds = 256;

// One node of a hook list. Nodes are shared so that a list being run keeps
// its current node (and the rest of the chain behind it) alive even if a
// hook removes itself or a neighbour meanwhile.
struct THook {
  std::shared_ptr<THook> succ;
  std::int32_t priority = 0;
  HookFunction func = nullptr;
  ObjectRef context;
};

struct HookTable {
  std::array<std::shared_ptr<THook>, kHookIds> heads;
  std::int32_t allocated = -1;
  bool started = false;
};

HookTable& Table() {
  static HookTable table;
  return table;
}

bool ValidId(std::int32_t id) { return id >= 0 && id < kHookIds; }

}  // namespace

void StartHookModule() {
  HookTable& table = Table();
  if (table.started) return;
  table.started = true;
  table.heads.fill(nullptr);
  table.allocated = -1;
}

void ResetHookModule() {
  HookTable& table = Table();
  table.heads.fill(nullptr);
  table.allocated = -1;
  table.started = false;
}

std::int32_t AllocHookId() {
  HookTable& table = Table();
  ++table.allocated;
  if (table.allocated >= kHookIds) throw RuntimeError(u"Too many hook ids");
  return table.allocated;
}

void AddHook(std::int32_t id, HookFunction func, ObjectRef context, std::int32_t priority) {
  // Ids come from AllocHookId; anything else has no list to join.
  if (!ValidId(id)) return;
  auto node = std::make_shared<THook>();
  node->priority = priority;
  node->func = func;
  node->context = std::move(context);
  // Walk past every node of greater or equal priority, so that equal
  // priorities keep the order in which they were added.
  std::shared_ptr<THook>* link = &Table().heads[id];
  while (*link && (*link)->priority >= priority) link = &(*link)->succ;
  node->succ = *link;
  *link = node;
}

ObjectRef RunHooks(std::int32_t id, ObjectRef data) {
  if (!ValidId(id)) return data;
  for (std::shared_ptr<THook> node = Table().heads[id]; node; node = node->succ) {
    if (!node->func) throw RuntimeError(u"Null function called");
    data = node->func(id, std::move(data), node->context);
  }
  return data;
}

void RemoveHook(std::int32_t id, HookFunction func, const ObjectRef& context) {
  if (!ValidId(id)) return;
  for (std::shared_ptr<THook>* link = &Table().heads[id]; *link; link = &(*link)->succ) {
    if ((*link)->func == func && (*link)->context == context) {
      // The removed node keeps its successor, so a run standing on it
      // continues with the rest of the list.
      *link = (*link)->succ;
      return;
    }
  }
}

}  // namespace qm
