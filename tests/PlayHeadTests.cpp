#include "support/TestSupport.h"
#include "graph/PluginHostAudioPlayHead.h"
#include "PlayingGraph.h"

#include <pluginterfaces/vst2.x/aeffectx.h>

#include <dlfcn.h>

namespace
{
    /** What the time-probe plug-in last got from the host's get-time request. */
    struct ProbeAnswer
    {
        int numAnswers = 0;
        VstTimeInfo info {};
    };

    ProbeAnswer lastAnswerOfTimeProbe()
    {
        // The framework has loaded the probe; this finds the same loaded copy.
        const auto path = juce::String (VEXILOR_TIME_PROBE);
        auto* handle = dlopen (path.toRawUTF8(), RTLD_NOW | RTLD_NOLOAD);

        if (handle == nullptr)
        {
            ADD_FAILURE() << "the time probe is not loaded: " << path;
            return {};
        }

        using LastAnswer = const VstTimeInfo* (*) (int*);
        auto lastAnswer = reinterpret_cast<LastAnswer> (dlsym (handle, "timeProbeLastAnswer"));
        ProbeAnswer answer;

        if (lastAnswer == nullptr)
            ADD_FAILURE() << "the time probe has no timeProbeLastAnswer";
        else
            answer.info = *lastAnswer (&answer.numAnswers);

        dlclose (handle);
        return answer;
    }

    void expectFixedPosition (const VstTimeInfo& info)
    {
        const auto hasFlag = [&info] (int flag) { return (info.flags & flag) != 0; };

        EXPECT_TRUE (hasFlag (kVstTempoValid));
        EXPECT_EQ (info.tempo, 120.0);
        EXPECT_TRUE (hasFlag (kVstTimeSigValid));
        EXPECT_EQ (info.timeSigNumerator, 4);
        EXPECT_EQ (info.timeSigDenominator, 4);
        EXPECT_EQ (info.samplePos, 0.0);
        EXPECT_TRUE (hasFlag (kVstPpqPosValid));
        EXPECT_EQ (info.ppqPos, 0.0);
        EXPECT_TRUE (hasFlag (kVstBarsValid));
        EXPECT_EQ (info.barStartPos, 0.0);
        EXPECT_FALSE (hasFlag (kVstTransportPlaying));
        EXPECT_FALSE (hasFlag (kVstTransportRecording));
        EXPECT_FALSE (hasFlag (kVstTransportCycleActive));
        EXPECT_EQ (info.cycleStartPos, 0.0);
        EXPECT_EQ (info.cycleEndPos, 0.0);
        EXPECT_FALSE (hasFlag (kVstSmpteValid));
        EXPECT_EQ (info.smpteOffset, 0);
    }
}

//==============================================================================
TEST (PlayHead, pluginSeesFixedTempoAndNeutralPositionThroughTheHostCallback)
{
    PlayingGraph playing (juce::File (VEXILOR_TIME_PROBE), 48000.0, 256);
    ASSERT_TRUE (playing.isWired());

    playing.renderBlock();
    const auto first = lastAnswerOfTimeProbe();
    ASSERT_EQ (first.numAnswers, 1);
    EXPECT_EQ (first.info.sampleRate, 48000.0);
    expectFixedPosition (first.info);

    // The player would advance its own play head; the host's stays where it is.
    for (int i = 0; i < 50; ++i)
        playing.renderBlock();

    const auto later = lastAnswerOfTimeProbe();
    ASSERT_EQ (later.numAnswers, 51);
    expectFixedPosition (later.info);
}

TEST (PlayHead, recordOfEveryShapeIsFilledWhollyWithTheSamePosition)
{
    PluginHostAudioPlayHead playHead;

    // Two records filled differently with values no field should keep.
    juce::AudioPlayHead::CurrentPositionInfo a, b;
    a.bpm = 93.0; a.timeSigNumerator = 7; a.timeSigDenominator = 8; a.timeInSamples = 1234;
    a.timeInSeconds = 5.5; a.editOriginTime = 2.0; a.ppqPosition = 17.0; a.ppqPositionOfLastBarStart = 16.0;
    a.frameRate = juce::AudioPlayHead::fps25; a.isPlaying = true; a.isRecording = true;
    a.ppqLoopStart = 4.0; a.ppqLoopEnd = 8.0; a.isLooping = true;
    b.bpm = -1.0; b.timeSigNumerator = 3; b.timeInSamples = -5; b.timeInSeconds = -1.0;
    b.frameRate = juce::AudioPlayHead::fps30drop; b.isLooping = true; b.ppqLoopEnd = 99.0;

    ASSERT_TRUE (playHead.getCurrentPosition (a));
    ASSERT_TRUE (playHead.getCurrentPosition (b));

    EXPECT_TRUE (a == b);
    EXPECT_EQ (a.timeInSeconds, b.timeInSeconds);   // the one field the comparison leaves out
    EXPECT_EQ (a.bpm, 120.0);
    EXPECT_EQ (a.timeSigNumerator, 4);
    EXPECT_EQ (a.timeSigDenominator, 4);
    EXPECT_EQ (a.timeInSamples, 0);
    EXPECT_EQ (a.timeInSeconds, 0.0);
    EXPECT_EQ (a.editOriginTime, 0.0);
    EXPECT_EQ (a.ppqPosition, 0.0);
    EXPECT_EQ (a.ppqPositionOfLastBarStart, 0.0);
    EXPECT_EQ (a.frameRate.getType(), juce::AudioPlayHead::fpsUnknown);
    EXPECT_FALSE (a.isPlaying);
    EXPECT_FALSE (a.isRecording);
    EXPECT_FALSE (a.isLooping);
    EXPECT_EQ (a.ppqLoopStart, 0.0);
    EXPECT_EQ (a.ppqLoopEnd, 0.0);

    // The framework's instances ask through getPosition: the same position, and
    // nothing claimed that the legacy record cannot say (no SMPTE rate, no host time).
    const auto position = playHead.getPosition();
    ASSERT_TRUE (position.hasValue());
    EXPECT_EQ (position->getBpm().orFallback (0.0), a.bpm);
    EXPECT_EQ (position->getTimeSignature().orFallback (juce::AudioPlayHead::TimeSignature { 0, 0 }), (juce::AudioPlayHead::TimeSignature { 4, 4 }));
    EXPECT_EQ (position->getTimeInSamples().orFallback (-1), a.timeInSamples);
    EXPECT_EQ (position->getTimeInSeconds().orFallback (-1.0), a.timeInSeconds);
    EXPECT_EQ (position->getEditOriginTime().orFallback (-1.0), a.editOriginTime);
    EXPECT_EQ (position->getPpqPosition().orFallback (-1.0), a.ppqPosition);
    EXPECT_EQ (position->getPpqPositionOfLastBarStart().orFallback (-1.0), a.ppqPositionOfLastBarStart);
    EXPECT_FALSE (position->getFrameRate().hasValue());
    EXPECT_FALSE (position->getHostTimeNs().hasValue());
    EXPECT_FALSE (position->getIsPlaying());
    EXPECT_FALSE (position->getIsRecording());
    EXPECT_FALSE (position->getIsLooping());
    EXPECT_EQ (playHead.getPosition(), position);
}
