#include "ModalEndCounter.h"

ModalEndCounter::ModalEndCounter (juce::Component& modalComponent)
{
    jassert (modalComponent.isCurrentlyModal (false));

    juce::ModalComponentManager::getInstance()->attachCallback (&modalComponent,
        juce::ModalCallbackFunction::create ([this] (int result)
        {
            ++ends;
            lastResult = result;
        }));
}
