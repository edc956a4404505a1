#include "platform/platform.h"
#include "tool/castle_extract.h"

int main(int argc, char** argv) {
  StartCommand(&argc, &argv);
  return CastleExtractMain(argc, argv);
}
