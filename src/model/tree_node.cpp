#include "model/tree_node.h"

#include <utility>

namespace qb {

CTreeNode::CTreeNode(std::string name, std::string path)
    : m_strName(std::move(name)), m_strPath(std::move(path)) {}

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

void CTreeNode::AddChild(CTreeNode* chain) {
    if (chain == nullptr)
        return;
    if (m_pFirstChild != nullptr) {
        CTreeNode* last = chain->GetLastSibling();
        last->m_pNext = m_pFirstChild;
        m_pFirstChild->m_pPrev = last;
    }
    m_pFirstChild = chain;
    chain->m_pPrev = this;
}

CTreeNode* CTreeNode::Unlink() {
    if (m_pPrev == nullptr)
        return this;
    if (m_pPrev->m_pFirstChild == this)
        m_pPrev->m_pFirstChild = m_pNext;
    else
        m_pPrev->m_pNext = m_pNext;
    if (m_pNext != nullptr)
        m_pNext->m_pPrev = m_pPrev;
    m_pPrev = nullptr;
    m_pNext = nullptr;
    return this;
}

} // namespace qb
