#include "tool/castle_extract.h"

int main(int argc, char** argv) {
  return CastleExtractMain(argc, argv);
}
