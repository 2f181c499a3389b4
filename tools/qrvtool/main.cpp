#include <iostream>
#include <string>
#include <vector>

#include "qrvtool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return quorvel::qrvtool::Run(args, std::cout, std::cerr);
}
