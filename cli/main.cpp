#include "FdInput.h"
#include "FdOutput.h"
#include "StandardDescriptors.h"
#include "Zelvanectl.h"

#include <iostream>
#include <istream>
#include <unistd.h>

int main(int argc, char *argv[])
{
    HoldClosedStandardDescriptors();
    FdInputBuffer inBuffer(STDIN_FILENO);
    std::istream in(&inBuffer);
    FdOutputBuffer outBuffer(STDOUT_FILENO);
    std::ostream out(&outBuffer);
    return RunZelvanectl(std::vector<std::string>(argv + 1, argv + argc),
                         {in, out, std::cerr, &outBuffer, &inBuffer});
}
