#include "PluginHostAudioPlayHead.h"

bool PluginHostAudioPlayHead::getCurrentPosition (CurrentPositionInfo& info) const noexcept
{
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    info.timeInSamples = 0;
    info.timeInSeconds = 0.0;
    info.editOriginTime = 0.0;
    info.ppqPosition = 0.0;
    info.ppqPositionOfLastBarStart = 0.0;
    info.ppqLoopStart = 0.0;
    info.ppqLoopEnd = 0.0;
    info.isPlaying = false;
    info.isRecording = false;
    info.isLooping = false;
    info.frameRate = FrameRate();   // none of the SMPTE rates
    info.bpm = tempo;
    return true;
}

juce::Optional<juce::AudioPlayHead::PositionInfo> PluginHostAudioPlayHead::getPosition() const
{
    // Set every field the framework's VST 2 instance copies into the plug-in's time
    // information; it expects the time in samples from every host. No frame rate and
    // not looping: the plug-in is told of no SMPTE time and no active loop. The empty
    // loop points are given all the same, since the instance otherwise leaves the
    // cycle fields it passes on uninitialised.
    PositionInfo info;
    info.setTimeSignature (TimeSignature { 4, 4 });
    info.setTimeInSamples (0);
    info.setTimeInSeconds (0.0);
    info.setEditOriginTime (0.0);
    info.setPpqPosition (0.0);
    info.setPpqPositionOfLastBarStart (0.0);
    info.setLoopPoints (LoopPoints { 0.0, 0.0 });
    info.setIsPlaying (false);
    info.setIsRecording (false);
    info.setIsLooping (false);
    info.setBpm (tempo);
    return info;
}
