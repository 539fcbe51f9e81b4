// What one PeekMessageA on an empty queue costs here, and what one QueryPerformanceCounter
// costs (the bench installer brackets each queue call with two of them).
//
//   peek_cost [CALLS]        prints peek_us=..., qpc_us=... and calls=...
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

double Microseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    const long calls = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    if (calls <= 0) {
        std::fprintf(stderr, "usage: peek_cost [CALLS]\n");
        return 2;
    }
    // A window of the thread, as the installer has while it copies: the queue is a real one.
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }

    LARGE_INTEGER start;
    LARGE_INTEGER end;
    long found = 0;
    QueryPerformanceCounter(&start);
    for (long i = 0; i < calls; ++i) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++found;
            DispatchMessageA(&msg);
        }
    }
    QueryPerformanceCounter(&end);
    const double peekUs = Microseconds(end.QuadPart - start.QuadPart) / static_cast<double>(calls);

    LARGE_INTEGER probe;
    QueryPerformanceCounter(&start);
    for (long i = 0; i < calls; ++i) {
        QueryPerformanceCounter(&probe);
    }
    QueryPerformanceCounter(&end);
    const double qpcUs = Microseconds(end.QuadPart - start.QuadPart) / static_cast<double>(calls);

    if (window != nullptr) {
        DestroyWindow(window);
    }
    std::printf("calls=%ld\nfound=%ld\npeek_us=%.3f\nqpc_us=%.3f\n", calls, found, peekUs, qpcUs);
    return 0;
}
