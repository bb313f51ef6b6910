// Time per call of the number rules that run on every keystroke (Val) and for every saved field (Str).
#include "numbers/str_form.h"
#include "numbers/val.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr int kRounds = 31;
constexpr int kCallsPerRound = 300'000;

// Median over the rounds of the nanoseconds one call of `call(i)` takes.
template <typename Call> double medianNanoseconds(Call call)
{
    std::vector<double> perCall;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCallsPerRound; ++i)
            call(i);
        const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
        perCall.push_back(elapsed.count() / kCallsPerRound);
    }
    std::nth_element(perCall.begin(), perCall.begin() + kRounds / 2, perCall.end());
    return perCall[kRounds / 2];
}

} // namespace

int main()
{
    static constexpr std::u16string_view texts[] = { u"2005", u"12.5", u"０．５" };
    static constexpr double values[] = { 2005, 12.5, 0.5 };
    volatile double sinkValue = 0;
    volatile std::size_t sinkLength = 0;

    const double val = medianNanoseconds([&](int i) { sinkValue = psa::Val(texts[i % 3]); });
    const double str = medianNanoseconds([&](int i) { sinkLength = psa::Str(values[i % 3]).size(); });
    std::printf("BENCH val %.1f ns\n", val);
    std::printf("BENCH str %.1f ns\n", str);
    return sinkValue < 0 || sinkLength == 0 ? 1 : 0;
}
