#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

//==============================================================================
/**
    The play head the host gives its graph. The host has no transport, so every
    request is answered with the same position: 120 beats per minute, 4/4, position
    zero, stopped, not recording, no loop and no SMPTE time.

    The framework's VST 2 instance asks for the position on the audio thread at the
    start of every block, so the answers allocate nothing and take no lock.
*/
class PluginHostAudioPlayHead  : public juce::AudioPlayHead
{
public:
    PluginHostAudioPlayHead() = default;
    ~PluginHostAudioPlayHead() override = default;

    /** Fills every field of the record with the fixed position; always true. */
    bool getCurrentPosition (CurrentPositionInfo& info) const noexcept;

    /** The same position in the form the framework's plug-in instances ask for. */
    juce::Optional<PositionInfo> getPosition() const override;

    static constexpr double tempo = 120.0;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginHostAudioPlayHead)
};
