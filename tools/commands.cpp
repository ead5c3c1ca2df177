#include "tools/commands.h"

#include <cstdio>
#include <cstring>

int tools::RunCommand(const char* program, std::span<const Command> commands, int argc, char** argv) {
  if (argc >= 2)
    for (const Command& command : commands)
      if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 1, argv + 1);
  std::fprintf(stderr, "usage: %s COMMAND [ARGUMENTS]\n", program);
  for (const Command& command : commands)
    std::fprintf(stderr, "  %s %s %s\n", program, command.name, command.arguments);
  return 2;
}
