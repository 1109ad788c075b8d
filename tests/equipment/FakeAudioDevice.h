#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

//==============================================================================
/**
    An audio device that exists only to be handed to an AudioIODeviceCallback's
    audioDeviceAboutToStart: no inputs, two outputs, a fixed rate and block size.
    The caller then drives the callback itself, block after block, on its own thread.
*/
class FakeAudioDevice  : public juce::AudioIODevice
{
public:
    FakeAudioDevice (double rate, int blockSize)
        : AudioIODevice ("Fake Output", "Fake"), sampleRate (rate), bufferSize (blockSize)
    {
    }

    juce::StringArray getOutputChannelNames() override       { return { "Left", "Right" }; }
    juce::StringArray getInputChannelNames() override        { return {}; }
    juce::Array<double> getAvailableSampleRates() override   { return { sampleRate }; }
    juce::Array<int> getAvailableBufferSizes() override      { return { bufferSize }; }
    int getDefaultBufferSize() override                      { return bufferSize; }

    juce::String open (const juce::BigInteger&, const juce::BigInteger&, double, int) override { return {}; }
    void close() override                                    {}
    bool isOpen() override                                   { return true; }
    void start (juce::AudioIODeviceCallback*) override       {}
    void stop() override                                     {}
    bool isPlaying() override                                { return true; }
    juce::String getLastError() override                     { return {}; }

    int getCurrentBufferSizeSamples() override               { return bufferSize; }
    double getCurrentSampleRate() override                   { return sampleRate; }
    int getCurrentBitDepth() override                        { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return juce::BigInteger (0b11); }
    juce::BigInteger getActiveInputChannels() const override { return {}; }
    int getOutputLatencyInSamples() override                 { return 0; }
    int getInputLatencyInSamples() override                  { return 0; }

private:
    const double sampleRate;
    const int bufferSize;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FakeAudioDevice)
};
