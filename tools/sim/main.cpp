// Entry of the simulated instrument.
#include <cstdio>

int main() {
    std::puts("orvant3k-sim: not yet built");
    return 0;
}
