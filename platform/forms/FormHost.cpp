#include "platform/forms/FormHost.h"

#include <cstdio>

#include "platform/rtl/Exception.h"

namespace {
TFormHost* g_host = nullptr;
}  // namespace

TFormHost* FormHost() { return g_host; }
void SetFormHost(TFormHost* host) { g_host = host; }

void HandleEventErrors(const std::function<void()>& handler) {
  const auto report = [](const std::exception& error) {
    if (TFormHost* host = FormHost())
      host->ShowException(error);
    else
      std::fprintf(stderr, "%s\n", error.what());
  };
  try {
    try {
      handler();
    } catch (const std::exception& error) {
      report(error);
    } catch (...) {
      report(Exception("Unknown error"));
    }
  } catch (...) {
    // The report itself failed (a box handler that raises): nothing may pass.
    std::fprintf(stderr, "error report failed\n");
  }
}
