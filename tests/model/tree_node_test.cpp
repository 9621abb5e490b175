#include "model/tree_node.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb {
namespace {

std::vector<std::string> ChildNames(const CTreeNode& node) {
    std::vector<std::string> names;
    for (CTreeNode* c = node.GetFirstChild(); c != nullptr; c = c->GetNextSibling())
        names.push_back(c->m_strName);
    return names;
}

TEST(TreeNode, AddChildPrependsSinglesAndChains) {
    CTreeNode parent("P", "p"), a("A", "a"), b("B", "b"), x("X", "x"), y("Y", "y");
    parent.AddChild(&b);
    parent.AddChild(&a);
    EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(a.m_pPrev, &parent);
    EXPECT_EQ(b.m_pPrev, &a);

    x.m_pNext = &y;
    y.m_pPrev = &x;
    parent.AddChild(&x);
    EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"X", "Y", "A", "B"}));
    EXPECT_EQ(a.m_pPrev, &y);
    EXPECT_EQ(x.m_pPrev, &parent);
}

TEST(TreeNode, NavigationThroughBackLinks) {
    CTreeNode root("R", "r"), a("A", "a"), b("B", "b"), c("C", "c");
    root.AddChild(&c);
    root.AddChild(&b);
    root.AddChild(&a);
    EXPECT_EQ(root.GetParent(), nullptr);
    EXPECT_TRUE(root.IsRoot());
    EXPECT_EQ(a.GetParent(), &root);
    EXPECT_EQ(c.GetParent(), &root);
    EXPECT_EQ(a.GetPrevSibling(), nullptr);
    EXPECT_EQ(c.GetPrevSibling(), &b);
    EXPECT_EQ(c.GetFirstSibling(), &a);
    EXPECT_EQ(a.GetLastSibling(), &c);
    EXPECT_EQ(root.GetFirstSibling(), &root);
    EXPECT_TRUE(root.HasChildren());
    EXPECT_FALSE(a.HasChildren());
}

TEST(TreeNode, UnlinkFirstMiddleLastAndRoot) {
    CTreeNode root("R", "r"), a("A", "a"), b("B", "b"), c("C", "c");
    root.AddChild(&c);
    root.AddChild(&b);
    root.AddChild(&a);

    b.Unlink();
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(c.m_pPrev, &a);
    EXPECT_EQ(b.m_pPrev, nullptr);
    EXPECT_EQ(b.m_pNext, nullptr);

    a.Unlink();
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"C"}));
    EXPECT_EQ(c.m_pPrev, &root);

    c.Unlink();
    EXPECT_FALSE(root.HasChildren());

    EXPECT_EQ(root.Unlink(), &root);
    EXPECT_TRUE(root.IsRoot());
}

TEST(TreeNode, UnlinkedNodeKeepsChildrenAndMovesElsewhere) {
    CTreeNode root("R", "r"), other("O", "o"), a("A", "a"), child("K", "k");
    root.AddChild(&a);
    a.AddChild(&child);
    a.Unlink();
    EXPECT_EQ(a.GetFirstChild(), &child);
    other.AddChild(&a);
    EXPECT_EQ(a.GetParent(), &other);
    EXPECT_EQ(child.GetParent(), &a);
    EXPECT_FALSE(root.HasChildren());
}

} // namespace
} // namespace qb
