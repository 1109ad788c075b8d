#include "support/TestSupport.h"
#include "graph/PluginGraph.h"
#include "graph/InternalPluginFormat.h"

TEST (Smoke, demoInstrumentScans)
{
    const auto description = TestSupport::scanPlugin (TestSupport::demoInstrument());
    EXPECT_EQ (description.version, "1.0.2.0");
    EXPECT_TRUE (description.isInstrument);
}
