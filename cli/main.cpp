#include "FdOutput.h"
#include "Zelvanectl.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char *argv[])
{
    FdOutputBuffer buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    return RunZelvanectl(std::vector<std::string>(argv + 1, argv + argc),
                         {std::cin, out, std::cerr, &buffer});
}
