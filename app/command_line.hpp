// The demo's command line, read before anything else is done: without arguments the demo runs;
// --help and --version are answered on standard output; any other argument is a usage error,
// one line on standard error. Answering touches neither the terminal nor the console.
#pragma once

enum class CommandLineRequest { run_demo, show_usage, show_version, usage_error };

struct CommandLine {
    CommandLineRequest request = CommandLineRequest::run_demo;
    const char* wrong_argument = nullptr;  // a usage error's first argument that was not taken
};

inline constexpr int WRITE_FAILED_STATUS = 1;
inline constexpr int USAGE_ERROR_STATUS = 2;

CommandLine read_command_line(int argc, const char* const* argv);

// Answers any request but run_demo and returns the exit status: 0 once the usage or the version
// is written, WRITE_FAILED_STATUS when standard output did not take it, USAGE_ERROR_STATUS.
int answer_command_line(const CommandLine& command_line);
