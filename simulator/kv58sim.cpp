// kv58sim: changes and shows the simulated KV58 from outside the panel.
#include "SimCommands.h"
#include <fcntl.h>
#include <io.h>

int main(int argc, char** argv)
{
    // Lines end in a bare newline, for whoever reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    return sim::RunCommand(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
