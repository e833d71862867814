#pragma once
// The holder of the controller's single-instance flag. The product starter lets go of the flag
// while it starts the product and takes it back when that start fails.

class IInstanceFlagOwner
{
public:
    virtual ~IInstanceFlagOwner() = default;

    // Clears the per-user running-setup value and closes the system-wide flag; false when the
    // flag was not held (then there is nothing to take back either).
    virtual bool ReleaseInstanceFlag() = 0;
    // Creates the flag and writes the running-setup value again; false when another copy holds
    // the flag by now.
    virtual bool RetakeInstanceFlag() = 0;
};
