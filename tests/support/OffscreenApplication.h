// The one application object that a test program making widgets needs, on the
// offscreen platform, so nothing appears on a screen and nothing waits for one.
#pragma once

// Makes the application on first use. It is never freed: at process end Qt's
// own globals may already be gone.
void StartOffscreenApplication();

// A base that makes sure of the application before any widget member is made.
struct TOffscreenApplication {
  TOffscreenApplication() { StartOffscreenApplication(); }
};
