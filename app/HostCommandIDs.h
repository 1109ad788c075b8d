#pragma once

/** The application's commands, shown in its "System" menu. */
namespace HostCommandIDs
{
    enum
    {
        preferences = 0x30100,
        about       = 0x30101
    };
}
