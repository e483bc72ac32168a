#include "app/command_line.hpp"
#include "app/run_demo.hpp"
#include "platform/platform.hpp"

// The command line is answered before the host starts, so --help, --version and a wrong
// argument change nothing on the terminal or console. The environment is not read here.
int main(int argc, char* argv[]) {
    const CommandLine command_line = read_command_line(argc, argv);
    if (command_line.request != CommandLineRequest::run_demo) {
        return answer_command_line(command_line);
    }
    platform::start_host();
    const int status = run_demo();
    platform::stop_host();
    return status;
}
