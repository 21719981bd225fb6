// Program entry: the application, its title and the main form; the form's
// creation runs the command line's paths.
#include "app/dvmain.h"
#include "platform/forms/Application.h"
#include "platform/rtl/CommandLine.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  TApplication application(argc, argv);
  application.Title = "DOVANEL For Archiver";
  auto* form = new Tdovanel(nullptr);
  application.SetMainForm(form);
  application.Run();
  delete form;
  return 0;
}
