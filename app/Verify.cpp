#include "Application.h"

int runVerify(const Options& options) { return runScriptCheck(options); }
