// SPDX-License-Identifier: MIT
#pragma once

#include "forms/Application.h"
#include "forms/Error.h"
#include "forms/ManualClock.h"
#include "forms/Window.h"
#include "forms/WindowSystem.h"

#include <string>
#include <vector>

namespace forms_test {

class NoPictures final : public forms::PictureDecoder {
public:
    forms::Picture decode(const std::string& path) override
    {
        throw forms::Error(forms::ErrorKind::BadPicture, "cannot read " + path);
    }
};

class Screen final : public forms::WindowSystem {
public:
    void reportError(const std::string& message) override { errors.push_back(message); }
    void quit() override { quits++; }
    std::vector<std::string> errors;
    int quits = 0;
};

// An application with windows made on demand by the test.
class TestApplication final : public forms::Application {
public:
    using forms::Application::Application;

    template<typename W>
    W& get(const std::string& name)
    {
        return window<W>(name);
    }
};

struct Fixture {
    Screen screen;
    forms::ManualClock clock;
    NoPictures pictures;
    TestApplication app { screen, clock, pictures };
};

}
