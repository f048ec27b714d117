#pragma once
// How the mapping fuzzers read their input: values taken in turn, zero once
// the bytes run out.
#include <cstddef>
#include <cstdint>
#include <cstring>

class TFuzzInput
{
public:
    TFuzzInput(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}

    template <typename T>
    T Take()
    {
        T v{};
        const size_t n = FSize - FPos < sizeof(T) ? FSize - FPos : sizeof(T);
        std::memcpy(&v, FData + FPos, n);
        FPos += n;
        return v;
    }
    bool Empty() const { return FPos >= FSize; }

    // Mostly plausible angles, sometimes any bit pattern (NaN, infinity, huge).
    float Angle(float Range)
    {
        const uint8_t how = Take<uint8_t>();
        if (how < 64)
            return Take<float>();
        return (static_cast<float>(Take<int16_t>()) / 32768.0f) * Range;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};
