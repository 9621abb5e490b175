#include "model/tree_node.h"

#include <utility>

namespace qb {

namespace {

// Frees `chain` (linked through m_pNext) with every subtree below it. Each node's children are
// spliced into the chain in its place before it goes, so nothing recurses and nothing is
// allocated: the tree may be as deep as the disk's directories allow.
void FreeChain(CTreeNode* chain) {
    while (chain != nullptr) {
        CTreeNode* node = chain;
        if (CTreeNode* child = node->m_pFirstChild) {
            child->GetLastSibling()->m_pNext = node->m_pNext;
            chain = child;
        } else {
            chain = node->m_pNext;
        }
        node->m_pFirstChild = nullptr;
        node->m_pNext = nullptr;
        node->m_pPrev = nullptr;
        delete node;
    }
}

} // namespace

CTreeNode::CTreeNode(std::string name, std::string path)
    : m_strName(std::move(name)), m_strPath(std::move(path)) {}

CTreeNode::~CTreeNode() {
    if (m_pPrev != nullptr)
        Detach();
    CTreeNode* after = m_pNext;
    m_pNext = nullptr;
    DeleteChildren();
    FreeChain(after);
}

CTreeNode* CTreeNode::GetPrevSibling() const {
    if (m_pPrev != nullptr && m_pPrev->m_pNext == this)
        return m_pPrev;
    return nullptr;
}

CTreeNode* CTreeNode::GetFirstSibling() {
    CTreeNode* node = this;
    while (CTreeNode* prev = node->GetPrevSibling())
        node = prev;
    return node;
}

CTreeNode* CTreeNode::GetLastSibling() {
    CTreeNode* node = this;
    while (node->m_pNext != nullptr)
        node = node->m_pNext;
    return node;
}

CTreeNode* CTreeNode::GetParent() {
    return GetFirstSibling()->m_pPrev;
}

void CTreeNode::AddChild(std::unique_ptr<CTreeNode> owned) {
    if (owned == nullptr)
        return;
    CTreeNode* chain = owned.release();
    if (m_pFirstChild != nullptr) {
        CTreeNode* last = chain->GetLastSibling();
        last->m_pNext = m_pFirstChild;
        m_pFirstChild->m_pPrev = last;
    }
    m_pFirstChild = chain;
    chain->m_pPrev = this;
}

void CTreeNode::Detach() {
    if (m_pPrev->m_pFirstChild == this)
        m_pPrev->m_pFirstChild = m_pNext;
    else
        m_pPrev->m_pNext = m_pNext;
    if (m_pNext != nullptr)
        m_pNext->m_pPrev = m_pPrev;
    m_pPrev = nullptr;
    m_pNext = nullptr;
}

std::unique_ptr<CTreeNode> CTreeNode::Unlink() {
    if (m_pPrev == nullptr)
        return nullptr;
    Detach();
    return std::unique_ptr<CTreeNode>(this);
}

void CTreeNode::DeleteChildren() {
    CTreeNode* children = m_pFirstChild;
    m_pFirstChild = nullptr;
    FreeChain(children);
}

} // namespace qb
