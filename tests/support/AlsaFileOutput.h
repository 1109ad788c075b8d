#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

//==============================================================================
/**
    What an ALSA file device has played: the raw file it writes, 32-bit float samples
    with the channels interleaved. The device is not paced, so the file grows hundreds
    of times faster than real time; frames are counted from the device's opening.
*/
class AlsaFileOutput
{
public:
    AlsaFileOutput (const juce::File& rawFile, int numChannels, double sampleRate);

    /** The frames written so far. */
    juce::int64 getNumFrames() const;

    /** Runs the message loop until the file holds at least this many frames, or the
        time is up; returns whether it does.
    */
    bool waitForFrames (juce::int64 numFrames, int timeoutMs = 5000) const;

    /** Reads frames from the file, one buffer channel per device channel. */
    juce::AudioBuffer<float> read (juce::int64 startFrame, int numFrames) const;

    /** The latest frames written. */
    juce::AudioBuffer<float> readLatest (int numFrames) const;

    double getSampleRate() const noexcept   { return sampleRate; }

private:
    juce::File file;
    int numChannels;
    double sampleRate;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AlsaFileOutput)
};
