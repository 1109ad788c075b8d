/* A VST 2 plug-in file that loads but yields no instance: its entry point returns
   null, as a plug-in does when it cannot start. It needs no framework. */

__attribute__ ((visibility ("default"))) void* VSTPluginMain (void* hostCallback)
{
    (void) hostCallback;
    return 0;
}
