#include <cstdio>

int main() {
    std::puts("geomerce-sim: not built yet");
    return 1;
}
