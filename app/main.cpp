// vamo-setup: the setup-and-repair wizard of the payment plug-in.
#include "app/VamoSetupApp.h"

int main() {
  CVamoSetupApp app;
  app.InitInstance();
  return app.ExitInstance();
}
