/*
    A VST 2 instrument for tests that asks the host for the time on every block, as a
    tempo-synced plug-in does, and keeps the last answer where a test in the same
    process can read it (timeProbeLastAnswer, found with dlsym). It makes no sound and
    uses no framework: only the VST 2 interface headers.

    Built with VEXILOR_ONE_INSTANCE_PER_PROCESS defined, it yields an instance only the
    first time its entry point is called in a process: a plug-in that passes the host's
    scan and then cannot be created.
*/
#include <pluginterfaces/vst2.x/aeffectx.h>

#include <cstdlib>
#include <cstring>

namespace
{
    audioMasterCallback host = nullptr;
    AEffect effect;
    VstTimeInfo lastAnswer;
    int numAnswers = 0;

    void copyText (void* destination, const char* text)
    {
        std::strcpy (static_cast<char*> (destination), text);
    }

    VstIntPtr dispatch (AEffect*, int opcode, int, VstIntPtr, void* ptr, float)
    {
        switch (opcode)
        {
            case effOpen:               numAnswers = 0; return 0;
            case effGetEffectName:      copyText (ptr, "Time Probe"); return 1;
            case effGetProductString:   copyText (ptr, "Time Probe"); return 1;
            case effGetVendorString:    copyText (ptr, "VexilorHost Tests"); return 1;
            case effGetVendorVersion:   return 1000;
            case effGetVstVersion:      return kVstVersion;
            case effGetPlugCategory:    return kPlugCategSynth;
            default:                    return 0;
        }
    }

    void processReplacing (AEffect* e, float**, float** outputs, int numSamples)
    {
        const auto wanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid
                          | kVstTimeSigValid | kVstSmpteValid | kVstClockValid;

        if (auto* answer = reinterpret_cast<VstTimeInfo*> (host (e, audioMasterGetTime, 0, wanted, nullptr, 0.0f)))
        {
            lastAnswer = *answer;
            ++numAnswers;
        }

        for (int channel = 0; channel < e->numOutputs; ++channel)
            std::memset (outputs[channel], 0, sizeof (float) * (size_t) numSamples);
    }

    void setParameter (AEffect*, int, float) {}
    float getParameter (AEffect*, int)        { return 0.0f; }
}

extern "C" __attribute__ ((visibility ("default"))) AEffect* VSTPluginMain (audioMasterCallback hostCallback)
{
   #ifdef VEXILOR_ONE_INSTANCE_PER_PROCESS
    // The host unloads the module between its scan and the instance it plays, so the
    // mark that one was made lives in the process's environment, not in the module.
    static const char* const madeOne = "VEXILOR_PLUGIN_INSTANCE_MADE";

    if (std::getenv (madeOne) != nullptr)
        return nullptr;

    setenv (madeOne, "1", 1);
   #endif

    host = hostCallback;

    effect = AEffect {};
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatch;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.processReplacing = processReplacing;
    effect.object = &effect;   // the framework checks that a plug-in sets it
    effect.numPrograms = 1;
    effect.numOutputs = 2;
    effect.flags = effFlagsIsSynth | effFlagsCanReplacing;
    effect.uniqueID = 0x54507262;   // 'TPrb'
    effect.version = 1000;
    return &effect;
}

/** The time information of the host's last answer, and how many blocks have asked. */
extern "C" __attribute__ ((visibility ("default"))) const VstTimeInfo* timeProbeLastAnswer (int* answersSoFar)
{
    *answersSoFar = numAnswers;
    return &lastAnswer;
}
