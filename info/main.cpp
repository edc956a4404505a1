#include "info/d88_info.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  StartCommand(&argc, &argv);
  return D88InfoMain(argc, argv);
}
