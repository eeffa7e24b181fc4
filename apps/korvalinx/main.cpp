// korvalinx: the command line program; everything it does is in the command line library.

#include <unistd.h>

#include <iostream>

#include "command_line.hpp"

int main(int argc, char** argv) {
  kx::app::CommandLineEnvironment env{std::cout, std::cerr};
  env.terminal = ::isatty(STDERR_FILENO) != 0;
  env.processEnds = true;
  return kx::app::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), env);
}
