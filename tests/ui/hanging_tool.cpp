// A listing tool that never answers: it sleeps for a minute whatever it is asked. The window tests
// use it to check the server time-out; they end it long before it would exit.

#include <chrono>
#include <thread>

int main() {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return 0;
}
