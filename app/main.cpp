// Entry point of the program.
#include <cstdio>

int main() {
    std::fprintf(stderr, "zaw: the main panel is not built yet.\n");
    return 2;
}
