// The root of everything that has a message table: windows and the application
// object. It finds the row for a message or a command along the class chain.
#pragma once

#include "MsgTable.h"

class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Runs the handler of command nId if this target's table chain has one.
    virtual BOOL OnCmdMsg(UINT nId);

    static const MsgTable s_messageTable;

protected:
    virtual const MsgTable* GetMessageTable() const { return &s_messageTable; }

    // The first row for nMessage (and, for WM_COMMAND, for command nId) in this
    // class's table or its bases', or null.
    const MsgEntry* FindEntry(UINT nMessage, UINT nId) const;
};
