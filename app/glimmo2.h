#pragma once

// The application object: brings up the main dialog, runs it modally and lets the
// program end when it closes.
class CGlimmo2App {
 public:
  bool InitInstance();
};

extern CGlimmo2App theApp;

// Application name, version and version block as the toolkit's metadata.
void ApplyApplicationIdentity(const char* argv0);
