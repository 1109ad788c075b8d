#pragma once

#include <juce_core/juce_core.h>

namespace TestSupport
{
    //==============================================================================
    /**
        Measures one channel of a recording that holds a single tone between
        silences: where the sound starts and ends, its frequency, and the faults a
        listener would hear (clipping, gaps, clicks).
    */
    class ToneAnalysis
    {
    public:
        ToneAnalysis (const float* samples, int numSamples, double sampleRate);

        /** The first and one past the last sample louder than the threshold; -1 when
            there is none.
        */
        int findStart (float threshold) const;
        int findEnd (float threshold) const;

        /** The frequency between two samples, from the time between the first and the
            last rising zero crossing there (interpolated between samples).
        */
        double measureFrequency (int start, int end) const;

        /** The largest absolute sample value between two samples. */
        float measurePeak (int start, int end) const;

        /** The longest run of samples quieter than the threshold between two samples:
            a gap in a held tone shows as a run far longer than a zero crossing takes.
        */
        int measureLongestQuietRun (int start, int end, float threshold) const;

        /** The largest jump from one sample to the next between two samples: a click
            shows as a jump larger than the tone itself can make.
        */
        float measureLargestStep (int start, int end) const;

        /** How far one frequency is from another, in cents. */
        static double centsBetween (double frequency, double reference);

    private:
        const float* samples;
        int numSamples;
        double sampleRate;
    };
}
