// Start-up steps of the benchmark build (tools/bench/LudoraSteps): with LUDORA_STARTUP_STEPS
// defined, each STARTUP_STEP notes the time and a name, and STARTUP_STEPS_DONE, called once
// the main window is shown, writes the notes out when the thread has painted its windows. Every other build compiles them to nothing.
#pragma once

#ifdef LUDORA_STARTUP_STEPS
namespace cl {
// name: a literal; detail: copied (a component's name), may be null.
void StartupStep(const char* name, const char* detail = nullptr);
void StartupStepsDone();
} // namespace cl
#define STARTUP_STEP(...) ::cl::StartupStep(__VA_ARGS__)
#define STARTUP_STEPS_DONE() ::cl::StartupStepsDone()
#else
#define STARTUP_STEP(...) ((void)0)
#define STARTUP_STEPS_DONE() ((void)0)
#endif
