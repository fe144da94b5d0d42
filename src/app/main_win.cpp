#include <windows.h>
#include <commctrl.h>

#include "app/program.h"
#include "platform/message_loop.h"
#include "platform/winsock_connector.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  ozl::platform::WinsockConnector connector;
  int exit_code = 0;
  {
    ozl::Program program(connector);
    connector.SetTransport(&program.session.transport());
    program.Start();
    exit_code = ozl::platform::RunMessageLoop();
    connector.SetTransport(nullptr);
  }
  return exit_code;
}
