#include "CmdTarget.h"

const MsgTable CCmdTarget::s_messageTable = MakeMsgTable(nullptr);

const MsgEntry* CCmdTarget::FindEntry(UINT nMessage, UINT nId) const {
    for (const MsgTable* pTable = GetMessageTable(); pTable; pTable = pTable->pBase) {
        for (const MsgEntry* pEntry = pTable->pFirst; pEntry != pTable->pLast; ++pEntry) {
            if (pEntry->nMessage == nMessage && (nMessage != WM_COMMAND || pEntry->nId == nId))
                return pEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nId) {
    const MsgEntry* pEntry = FindEntry(WM_COMMAND, nId);
    if (!pEntry) return FALSE;
    pEntry->pfnThunk(*this, nId, 0);
    return TRUE;
}
