#include "info/d88_info.h"

int main(int argc, char** argv) {
  return D88InfoMain(argc, argv);
}
