#pragma once

#include <cstdint>

// The owner a spark tells when it begins to sparkle (the main menu).
class CSparkSink {
public:
    CSparkSink() = default;
    virtual ~CSparkSink() = default;
    CSparkSink(const CSparkSink&) = delete;
    CSparkSink& operator=(const CSparkSink&) = delete;

    // now: the tick count at which the sparkle began.
    virtual void SparkBegan(uint32_t now) = 0;
};
