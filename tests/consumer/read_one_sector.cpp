// Prints the name of the first image of a D88 file and the first bytes of sector
// (C 0, H 0, R 1, N 1) of its track 0.
#include <d88/d88image.h>

#include <cstdio>

int main(int argc, char** argv) {
  D88Image image;
  unsigned char sector[256];
  if (argc != 2 || !image.Open(argv[1]) || !image.SelectDisk(0)) {
    return 1;
  }
  const int got = image.ReadSector(0, 0, 0, 1, 1, sector, sizeof sector);
  std::printf("%s: %d bytes:", image.GetDiskName(), got);
  for (int i = 0; i < 8 && i < got; ++i) {
    std::printf(" %02x", sector[i]);
  }
  std::printf("\n");
  return got == 256 ? 0 : 1;
}
