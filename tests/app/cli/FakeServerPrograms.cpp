// korvex-report's printing program and tbls-driver-korvex as they are built, with the
// in-memory server of FakeServer.h added as their programs add the real server drivers;
// the environment sets the server up: FAKE_SERVER_PASSWORD (empty: none asked) and
// FAKE_SERVER_REFUSAL (the server's text when it refuses every connection).

#include "FakeServer.h"
#include "ServerDrivers.h"

#ifdef FAKE_TBLS_DRIVER
#define main tblsDriverMain
#include "tbls_driver_korvex_main.cpp"
#undef main
#else
#include "PrintCommand.h"
#endif

int main(int argc, char* argv[])
{
    static korvex::test::FakeServer server;
    server.password = qEnvironmentVariable("FAKE_SERVER_PASSWORD");
    server.refusal = qEnvironmentVariable("FAKE_SERVER_REFUSAL");
    korvex::addServerDriver(korvex::test::FakeServer::Driver, server.opener());
#ifdef FAKE_TBLS_DRIVER
    return tblsDriverMain(argc, argv);
#else
    korvex::PrintCommand command(argc, argv);
    return command.run();
#endif
}
