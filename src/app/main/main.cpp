// Entry of the station program.
#include <cstdio>

int main() {
    std::puts("orvant3k: not yet built");
    return 0;
}
