#pragma once
#include <cstdint>

#include "system/object.h"

namespace qm {

// A hook sees the data the previous hook returned and returns what the next
// one sees.
using HookFunction = ObjectRef (*)(std::int32_t id, ObjectRef data, ObjectRef context);

// Raises "Too many hook ids" past 255.
std::int32_t AllocHookId();
// Lists stay in descending priority; equal priorities run in insertion order.
void AddHook(std::int32_t id, HookFunction func, ObjectRef context, std::int32_t priority);
ObjectRef RunHooks(std::int32_t id, ObjectRef data);
void RemoveHook(std::int32_t id, HookFunction func, const ObjectRef& context);

// The hook id every emitted event runs through.
std::int32_t EmitEventHook();

}  // namespace qm
