// Prints the hook library's shared block as this process sees it, so that a test can check what
// the hook procedures in other processes read. It finds the block through the library's own
// section table: the block is the start of the section named ".shared".
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "HlHook.h"
#include "SharedBlock.h"

namespace {

const SharedHookBlock* FindBlock(HMODULE module) {
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (std::strncmp(reinterpret_cast<const char*>(section->Name), ".shared", 8) == 0)
      return reinterpret_cast<const SharedHookBlock*>(base + section->VirtualAddress);
  }
  return nullptr;
}

}  // namespace

int main() {
  // Referencing the class makes the loader map the library as the main program does.
  CHlHook* unused = nullptr;
  (void)unused;
  HMODULE module = GetModuleHandleA("TandemHook.dll");
  if (module == nullptr) module = LoadLibraryA("TandemHook.dll");
  if (module == nullptr) {
    std::printf("error: TandemHook.dll not loaded\n");
    return 1;
  }
  const SharedHookBlock* b = FindBlock(module);
  if (b == nullptr) {
    std::printf("error: no shared section\n");
    return 1;
  }
  std::printf("lastPointed=%llu display=%llu action=%u hook=%llu hookAnyway=%d\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(b->lastPointed)),
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(b->display)), b->action,
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(b->hook)), b->hookAnyway);
  std::fflush(stdout);
  return 0;
}
