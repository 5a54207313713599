#include "exports/StringBlock.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "platform/error.h"

namespace quillet {

namespace {
std::mutex g_lock;
std::unordered_set<const void*>& LiveBlocks() {
  // A static object rather than a leaked one: the library can be unloaded
  // (its converter is destroyed then), and the set must go with it.
  static std::unordered_set<const void*> blocks;
  return blocks;
}
}  // namespace

char* AllocStringBlock(std::string_view text) {
  if (text.size() > UINT32_MAX - 5) throw Error("Out of memory");
  auto* raw = static_cast<char*>(std::malloc(4 + text.size() + 1));
  if (!raw) throw Error("Out of memory");
  const auto size = static_cast<uint32_t>(text.size());
  std::memcpy(raw, &size, 4);
  if (!text.empty()) std::memcpy(raw + 4, text.data(), text.size());
  raw[4 + text.size()] = '\0';
  char* block = raw + 4;
  std::lock_guard<std::mutex> lock(g_lock);
  LiveBlocks().insert(block);
  return block;
}

void FreeStringBlock(void* block) {
  if (!block) return;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    if (LiveBlocks().erase(block) == 0) throw Error("Invalid pointer operation");
  }
  std::free(static_cast<char*>(block) - 4);
}

}  // namespace quillet
