#include "app/run_demo.hpp"
#include "platform/platform.hpp"

// Command-line arguments and the environment are not read.
int main() {
    platform::start_host();
    const int status = run_demo();
    platform::stop_host();
    return status;
}
