#pragma once
// How the main window runs its modal windows: shown modally when empty; tests put a function in
// their place that drives the window and closes it.

#include <functional>

class TAboutWindow;
class TContactWindow;
class TMessageWindow;
class TRegistrationWindow;
class TSettingsWindow;
class TSimDataWindow;

struct WindowRunners
{
    std::function<void(TMessageWindow&)> composer;
    std::function<void(TContactWindow&)> contactEditor;
    std::function<void(TSimDataWindow&)> simData;
    std::function<void(TRegistrationWindow&)> registration;
    std::function<void(TAboutWindow&)> about;
    std::function<void(TSettingsWindow&)> settings;

    // Runs window with its runner, or modally.
    template <typename Window> static void Run(const std::function<void(Window&)>& runner, Window& window)
    {
        if (runner)
            runner(window);
        else
            window.exec();
    }
};
