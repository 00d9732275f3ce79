// The brenvik program: the window over the native platform backend.
#include "window/app_main.h"
#include "window/application.h"

int main(int argc, char** argv) {
  brenvik::BrenvikApplication app(argc, argv);
  brenvik::MessageBoxSink messages;
  app.SetMessageSink(&messages);
  auto platform = brenvik::CreateNativePlatform();
  return brenvik::RunBrenvik(app, *platform, messages);
}
