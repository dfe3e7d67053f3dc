// Entry point of tamselwin. The start-up sequence lands with the production run.
#include <cstdio>

int main() {
  std::puts("tamselwin: the production run is not yet available");
  return 0;
}
