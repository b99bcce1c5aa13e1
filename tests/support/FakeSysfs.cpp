#include "support/FakeSysfs.h"

#include <umockdev.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

constexpr const char* preloadName = "libumockdev-preload.so.0";

// A NULL-terminated array of alternating names and values, as umockdev takes them.
std::vector<const char*> Pairs(const std::vector<std::pair<std::string, std::string>>& pairs)
{
    std::vector<const char*> flat;
    for (const auto& [name, value] : pairs) {
        flat.push_back(name.c_str());
        flat.push_back(value.c_str());
    }
    flat.push_back(nullptr);
    return flat;
}

} // namespace

FakeSysfs::FakeSysfs() : testbed(umockdev_testbed_new())
{ }

FakeSysfs::~FakeSysfs()
{
    g_object_unref(testbed);
}

bool FakeSysfs::AddDescription(const std::string& fileName, std::string& error)
{
    std::ifstream in(std::string(PARLOWEN_SYSFS_DESCRIPTIONS) + "/" + fileName);
    if (!in) {
        error = "cannot read " + fileName;
        return false;
    }
    std::ostringstream text;
    bool started = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('#') || (!started && line.empty()))
            continue;
        started = true;
        text << line << '\n';
    }
    GError* failure = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, text.str().c_str(), &failure)) {
        error = fileName + ": " + (failure ? failure->message : "not added");
        if (failure)
            g_error_free(failure);
        return false;
    }
    return true;
}

std::string FakeSysfs::AddDevice(const std::string& subsystem, const std::string& name, const std::string& parent,
                                 const std::vector<std::pair<std::string, std::string>>& attributes,
                                 const std::vector<std::pair<std::string, std::string>>& properties)
{
    const std::vector<const char*> a = Pairs(attributes);
    const std::vector<const char*> p = Pairs(properties);
    gchar* syspath = umockdev_testbed_add_devicev(testbed, subsystem.c_str(), name.c_str(),
                                                  parent.empty() ? nullptr : parent.c_str(),
                                                  const_cast<gchar**>(a.data()), const_cast<gchar**>(p.data()));
    std::string result = syspath ? syspath : "";
    g_free(syspath);
    return result;
}

void FakeSysfs::RemoveDevice(const std::string& syspath)
{
    umockdev_testbed_remove_device(testbed, syspath.c_str());
}

void FakeSysfs::Uevent(const std::string& syspath, const std::string& action)
{
    umockdev_testbed_uevent(testbed, syspath.c_str(), action.c_str());
}

std::string FakeSysfs::Root() const
{
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    std::string result = root;
    g_free(root);
    return result;
}

std::string FakeSysfs::DevPath(const std::string& name) const
{
    return Root() + "/dev/" + name;
}

bool FakeSysfs::PreloadActive()
{
    void* handle = dlopen(preloadName, RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

std::vector<std::pair<std::string, std::string>> FakeSysfs::ChildEnvironment() const
{
    return {{"LD_PRELOAD", std::string(PARLOWEN_PRELOAD_FIRST) + preloadName}, {"UMOCKDEV_DIR", Root()}};
}

} // namespace testsupport
