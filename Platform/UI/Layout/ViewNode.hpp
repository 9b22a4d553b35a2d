#pragma once

// The immutable nodes behind `View`. Resolving a node against an environment appends the
// layout nodes it stands for: one for most views, none for the empty view, several for
// groups (which stacks then lay out as siblings). Modifiers wrap each node their content
// resolves to, so a modifier on a group applies to each member, as in the declarative
// toolkits this one follows. Internal to Platform/UI.

#include "Platform/UI/Layout/LayoutNode.hpp"
#include "Platform/UI/View.hpp"

#include <functional>
#include <memory>
#include <vector>

namespace tvk::ui {

class ViewNode {
public:
    virtual ~ViewNode() = default;
    virtual void resolve(const EnvironmentValues& environment, detail::ResolveContext& context, detail::LayoutNodes& output) const = 0;
};

namespace detail {

/// Resolves `view` (nothing for the empty view).
void resolveView(const View& view, const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output);
/// Resolves `view` into exactly one node: several become the members of a z-stack, none an
/// empty node.
std::unique_ptr<LayoutNode> resolveSingle(const View& view, const EnvironmentValues& environment, ResolveContext& context);
/// Resolves each of `views` in order into one flat list.
LayoutNodes resolveChildren(const std::vector<View>& views, const EnvironmentValues& environment, ResolveContext& context);

class LeafViewNode : public ViewNode {
public:
    using Make = std::function<std::unique_ptr<LayoutNode>(const EnvironmentValues&, ResolveContext&)>;
    explicit LeafViewNode(Make make)
        : m_make(std::move(make))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    Make m_make;
};

/// A modifier that wraps each node of its content.
class ModifierViewNode : public ViewNode {
public:
    using Wrap = std::function<std::unique_ptr<LayoutNode>(std::unique_ptr<LayoutNode>, const EnvironmentValues&, ResolveContext&)>;
    ModifierViewNode(View content, Wrap wrap)
        : m_content(std::move(content))
        , m_wrap(std::move(wrap))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    View m_content;
    Wrap m_wrap;
};

/// A modifier that changes the environment of its content.
class EnvironmentViewNode : public ViewNode {
public:
    EnvironmentViewNode(View content, std::function<void(EnvironmentValues&)> transform)
        : m_content(std::move(content))
        , m_transform(std::move(transform))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    View m_content;
    std::function<void(EnvironmentValues&)> m_transform;
};

/// A container (stack, fitting container) made from its children's flattened nodes.
class ContainerViewNode : public ViewNode {
public:
    using Make = std::function<std::unique_ptr<LayoutNode>(LayoutNodes, const EnvironmentValues&, ResolveContext&)>;
    ContainerViewNode(std::vector<View> children, Make make)
        : m_children(std::move(children))
        , m_make(std::move(make))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    std::vector<View> m_children;
    Make m_make;
};

/// Several views that the enclosing container lays out as its own children.
class GroupViewNode : public ViewNode {
public:
    explicit GroupViewNode(std::vector<View> children)
        : m_children(std::move(children))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    std::vector<View> m_children;
};

/// A view whose body is built from the environment when the tree is resolved.
class CustomViewNode : public ViewNode {
public:
    explicit CustomViewNode(std::function<View(const EnvironmentValues&)> body)
        : m_body(std::move(body))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    std::function<View(const EnvironmentValues&)> m_body;
};

/// A view whose body is built from the environment and the moment the tree is laid out for.
class RenderDateReaderNode : public ViewNode {
public:
    explicit RenderDateReaderNode(std::function<View(const EnvironmentValues&, Date)> body)
        : m_body(std::move(body))
    {
    }
    void resolve(const EnvironmentValues& environment, ResolveContext& context, LayoutNodes& output) const override;

private:
    std::function<View(const EnvironmentValues&, Date)> m_body;
};

/// Makes a view from a modifier's wrap function.
View modified(const View& content, ModifierViewNode::Wrap wrap);
View withEnvironment(const View& content, std::function<void(EnvironmentValues&)> transform);

}

}
