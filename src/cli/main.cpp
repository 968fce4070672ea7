#include <cstdio>

int main() {
    std::puts("keyloft-cli: not built yet");
    return 0;
}
