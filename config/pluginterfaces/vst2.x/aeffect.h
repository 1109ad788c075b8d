/*
    The VST 2 interface for the framework's hosting and plug-in client code.

    The definitions come from Debian's fst-dev package. Two of its structs are
    declared shorter than the framework uses them, which corrupts memory on every
    plug-in load, so they are given their full layout here:

    - VstSpeakerArrangement ends in an open array, but the framework allocates and
      fills it as if eight speakers were stored inline;
    - VstPinProperties ends at shortLabel, but plug-ins (the framework's wrapper
      among them) write a terminator past it and expect reserved space after it.

    The framework includes this file inside its own namespace, so nothing here may
    include a system header.
*/
#pragma once

#define FST2VST 1
#define FST_DONT_DEPRECATE_UNKNOWN 1

// Keep fst-dev's short declarations out of the way under other names.
#define VstSpeakerArrangement FstShortSpeakerArrangement
#define VstPinProperties FstShortPinProperties
#include <pluginterfaces/fst/fst.h>
#undef VstSpeakerArrangement
#undef VstPinProperties

struct VstSpeakerArrangement
{
    int type;
    int numChannels;
    VstSpeakerProperties speakers[8];
};

struct VstPinProperties
{
    char label[64];
    int flags;
    int arrangementType;
    char shortLabel[8];
    char reserved[48];
};

#define VEXILOR_SAME_FIELD(full, shortType, field) \
    static_assert (__builtin_offsetof (full, field) == __builtin_offsetof (shortType, field), \
                   #full "::" #field " must stay where fst-dev puts it")

VEXILOR_SAME_FIELD (VstSpeakerArrangement, FstShortSpeakerArrangement, type);
VEXILOR_SAME_FIELD (VstSpeakerArrangement, FstShortSpeakerArrangement, numChannels);
VEXILOR_SAME_FIELD (VstSpeakerArrangement, FstShortSpeakerArrangement, speakers);
static_assert (sizeof (VstSpeakerArrangement) == sizeof (FstShortSpeakerArrangement) + 8 * sizeof (VstSpeakerProperties),
               "eight speakers are stored inline");

VEXILOR_SAME_FIELD (VstPinProperties, FstShortPinProperties, label);
VEXILOR_SAME_FIELD (VstPinProperties, FstShortPinProperties, flags);
VEXILOR_SAME_FIELD (VstPinProperties, FstShortPinProperties, arrangementType);
VEXILOR_SAME_FIELD (VstPinProperties, FstShortPinProperties, shortLabel);
static_assert (__builtin_offsetof (VstPinProperties, reserved) == sizeof (FstShortPinProperties),
               "the reserved tail starts where fst-dev's struct ends");

#undef VEXILOR_SAME_FIELD
