// Kadrion: personnel records. Until the main window exists the program prints its version.
#include <cstdio>

int main() {
    std::printf("Kadrion %s\n", KADRION_VERSION);
    return 0;
}
