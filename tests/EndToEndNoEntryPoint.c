/* A shared library that loads cleanly but has no VST 2 entry point: what a user gets
   who puts some other library where the instrument should be. */

__attribute__ ((visibility ("default"))) int vexilorNotAnInstrument (void)
{
    return 0;
}
