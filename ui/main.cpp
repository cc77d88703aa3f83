#include "CZelvaneApp.h"
#include "DirectPortGrant.h"

int main(int argc, char *argv[])
{
    // Before Qt starts any thread: the I/O permission and capabilities are per thread.
    RequestDirectPortGrant();
    CZelvaneApp app(argc, argv);
    app.InitInstance();
    return 0;
}
