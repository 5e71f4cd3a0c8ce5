#include "shredder/FillData.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <exception>
#include <iterator>

#include "core/Host.h"
#include "platform/Clock.h"
#include "platform/Entropy.h"

namespace ostrel {
namespace {

constexpr std::uint64_t SplitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// xoshiro256**: fast, 256 bits of state, good enough for fill data and names.
class Generator {
  public:
    void Seed(std::uint64_t seed) {
        for (auto& word : m_state) {
            seed = SplitMix64(seed);
            word = seed;
        }
        m_seeded = true;
    }

    // XORing a hash of the clock into one word moves the state to another point of the same
    // sequence family without discarding what it held; a constant clock leaves the output as
    // uniform as the unmixed generator's.
    static std::uint64_t ClockHash(double seconds) {
        return SplitMix64(std::bit_cast<std::uint64_t>(seconds));
    }

    void MixClockHash(std::uint64_t hash) {
        if (!m_seeded) {
            Seed(platform::EntropySeed());
        }
        m_state[0] ^= hash;
    }

    std::uint64_t Next() { return Step(m_state); }

    // `n` alphabet characters, each from one draw with `clockHash` mixed in before it; the
    // character is the one at round(r * 64) for r the draw's top 24 bits over 2^24, halves to
    // even (u / 2^18 rounded, in integers). The state is worked on in a local copy: the
    // characters written could alias the member and send it through memory at every draw.
    void FillAlphabetChars(char* out, std::size_t n, std::uint64_t clockHash) {
        MixClockHash(0);  // seeds on first use; XOR with 0 changes nothing
        std::uint64_t state[4] = {m_state[0], m_state[1], m_state[2], m_state[3]};
        for (std::size_t i = 0; i < n; ++i) {
            state[0] ^= clockHash;
            const auto u = static_cast<std::uint32_t>(Step(state) >> 40);
            std::uint32_t k = u >> 18;
            k += ((u & 0x3FFFF) + (k & 1)) > 0x20000 ? 1 : 0;
            out[i] = FillAlphabet[k];
        }
        std::copy(std::begin(state), std::end(state), std::begin(m_state));
    }

  private:
    static std::uint64_t Step(std::uint64_t (&state)[4]) {
        const std::uint64_t result = std::rotl(state[1] * 5, 7) * 9;
        const std::uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = std::rotl(state[3], 45);
        return result;
    }

    std::uint64_t m_state[4] = {};
    bool m_seeded = false;
};

Generator& TheGenerator() {
    thread_local Generator generator;
    return generator;
}

// The whole number nearest to x, halves to the even neighbour.
std::int64_t RoundHalfEven(double x) {
    double floor = std::floor(x);
    double fraction = x - floor;
    auto k = static_cast<std::int64_t>(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (k % 2) != 0)) {
        ++k;
    }
    return k;
}

// A draw as NextRandom makes it, with the clock's hash given: r in [0, 1).
double DrawWithClock(std::uint64_t clockHash) {
    Generator& generator = TheGenerator();
    generator.MixClockHash(clockHash);
    return static_cast<float>(generator.Next() >> 40) * 0x1.0p-24f;
}

// n draws of k = round(r * 65): the character at k, nothing when k is 65. The clock is read once
// for the whole name, as for fill data.
std::string NameDraws(std::int64_t n) {
    const std::uint64_t clock = Generator::ClockHash(platform::SecondsSinceMidnight());
    std::string text;
    for (std::int64_t i = 0; i < n; ++i) {
        std::int64_t k = RoundHalfEven(DrawWithClock(clock) * 65);
        if (k <= 64) {
            text += FillAlphabet[k];
        }
    }
    return text;
}

}  // namespace

double NextRandom() {
    return DrawWithClock(Generator::ClockHash(platform::SecondsSinceMidnight()));
}

void SeedRandom(std::uint64_t seed) {
    TheGenerator().Seed(seed);
}

std::string RandFileName() {
    std::string name = NameDraws(101);
    DoEventsIgnoringErrors();
    return name + ".tmp";
}

std::string RandData(std::int64_t length) {
    if (length < 1) {
        return {};
    }
    // Each character is a draw as NextRandom makes it, with the clock mixed in before it, but
    // the clock is read once for the whole block: it cannot change meaningfully within one call,
    // and reading it per character made random passes over small files cost more than their
    // disk writes.
    std::string data(static_cast<std::size_t>(length), '\0');
    TheGenerator().FillAlphabetChars(data.data(), data.size(),
                                     Generator::ClockHash(platform::SecondsSinceMidnight()));
    return data;
}

std::string FillString(std::int64_t recordSize, std::int64_t pattern) {
    if (recordSize < 0 || pattern < 0) {
        return {};
    }
    return std::string(static_cast<std::size_t>(recordSize), static_cast<char>(pattern % 256));
}

std::string PassData(std::int32_t pass, std::int64_t length) {
    return pass < 0 ? RandData(length) : FillString(length, pass);
}

}  // namespace ostrel
