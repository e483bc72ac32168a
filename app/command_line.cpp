#include "app/command_line.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/shown_text.hpp"

namespace {

const char DEMO_USAGE[] =
    "usage: floodvalley [--help | --version]\n"
    "\n"
    "A self-running audiovisual textmode demo: for 75 seconds the terminal shows a flag that a\n"
    "flood overruns, with a soundtrack. Any key ends the run at once and is left for the shell.\n"
    "\n"
    "  --help     this text\n"
    "  --version  the demo's version\n"
    "\n"
    "Exit status: 0 when the run ends by itself, on a key, or because its terminal went away\n"
    "without a hang-up; 1 when --help or --version could not write its answer; 2 for a wrong\n"
    "argument. A signal that ends the run on a terminal (Ctrl-C, kill, a hang-up) ends the demo\n"
    "by that signal once the terminal is restored: 130 after Ctrl-C in a shell. In a Windows\n"
    "console, Ctrl-C, Ctrl-Break and closing the window end the run like a key.\n";

const char DEMO_VERSION[] = "floodvalley " FLOODVALLEY_VERSION "\n";

// A wrong argument is shown with at most 64 of its bytes.
constexpr std::size_t ARGUMENT_SHOWN = 64;

int write_answer(const char* text) {
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0) {
        return 0;
    }
    std::fprintf(stderr, "floodvalley: standard output: %s\n", std::strerror(errno));
    return WRITE_FAILED_STATUS;
}

int report_usage_error(const char* argument) {
    std::fprintf(stderr, "floodvalley: unexpected argument '%s' (try --help)\n",
                 shown_text<ARGUMENT_SHOWN>(argument).text);
    return USAGE_ERROR_STATUS;
}

}  // namespace

// One option alone, or nothing: an option followed by anything is an error on what follows.
CommandLine read_command_line(int argc, const char* const* argv) {
    if (argc <= 1) {
        return CommandLine{};
    }
    CommandLine command_line{CommandLineRequest::usage_error, argv[1]};
    if (std::strcmp(argv[1], "--help") == 0) {
        command_line = CommandLine{CommandLineRequest::show_usage, nullptr};
    } else if (std::strcmp(argv[1], "--version") == 0) {
        command_line = CommandLine{CommandLineRequest::show_version, nullptr};
    }
    if (command_line.request != CommandLineRequest::usage_error && argc > 2) {
        command_line = CommandLine{CommandLineRequest::usage_error, argv[2]};
    }
    return command_line;
}

int answer_command_line(const CommandLine& command_line) {
    switch (command_line.request) {
        case CommandLineRequest::show_usage: return write_answer(DEMO_USAGE);
        case CommandLineRequest::show_version: return write_answer(DEMO_VERSION);
        case CommandLineRequest::usage_error:
            return report_usage_error(command_line.wrong_argument);
        case CommandLineRequest::run_demo: break;
    }
    return 0;
}
