// Maps the hook library somewhere other than a given address, as a logger does when something of
// its own already sits where the library would go, and prints where it went. The library's load
// code runs here as it runs in any process that the hook reaches.
// Usage: RelocatingLoader <address, hex> <size, hex>
// Prints "base=<hex>" and ends with 0, or prints "error: ..." and ends with 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("error: usage: RelocatingLoader <address> <size>\n");
    return 1;
  }
  void* address = reinterpret_cast<void*>(static_cast<UINT_PTR>(std::strtoull(argv[1], nullptr, 16)));
  const SIZE_T size = static_cast<SIZE_T>(std::strtoull(argv[2], nullptr, 16));
  // Held for the life of the process; a failure only means something else holds it already.
  VirtualAlloc(address, size, MEM_RESERVE, PAGE_NOACCESS);
  HMODULE library = LoadLibraryA("TandemHook.dll");
  if (library == nullptr) {
    std::printf("error: TandemHook.dll not loaded (%lu)\n", GetLastError());
    return 1;
  }
  std::printf("base=%llx\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(library)));
  std::fflush(stdout);
  return 0;
}
