#pragma once
// Listeners of a section: called on the store's notification thread with the keys that
// changed, with the store's locks held (a listener may call the store, but must not wait for
// another thread that needs it).

#include <vector>

struct QMConfigKey;

class IQMConfigListener
{
public:
    virtual ~IQMConfigListener() {}
    // The keys are valid only during the call.
    virtual void OnConfigChanged(const std::vector<QMConfigKey*>& changedKeys) = 0;
};

class CDummyQMConfigListener : public IQMConfigListener
{
public:
    void OnConfigChanged(const std::vector<QMConfigKey*>&) override {}
};
