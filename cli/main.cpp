#include "FdOutput.h"
#include "StandardDescriptors.h"
#include "Zelvanectl.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char *argv[])
{
    HoldClosedStandardDescriptors();
    FdOutputBuffer buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    return RunZelvanectl(std::vector<std::string>(argv + 1, argv + argc),
                         {out, std::cerr, &buffer, STDIN_FILENO});
}
