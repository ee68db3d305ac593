#include <iostream>

#include "Cli.h"
#include "shell/CommandLine.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args = aulira::commandLineArguments(argc, argv);
    return aulira::cli::runCli(args, std::cout, std::cerr);
}
