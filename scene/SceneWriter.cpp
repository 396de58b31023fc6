// The scene file writer: the reader's chunks from the records, byte for
// byte, little-endian. Values the reader derives (face planes, neighbours,
// light directions, triangle plane constants) are not part of the format;
// the triangles' projection axis bytes are written as the records hold them.
#include "scene/SceneFile.h"

#include "scene/Scene.h"

#include <algorithm>
#include <cstring>

namespace {

class ByteWriter {
public:
    std::vector<std::uint8_t> bytes;

    void byte(std::uint8_t value) { bytes.push_back(value); }

    void word(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }

    void integer(std::int32_t value) { word(static_cast<std::uint32_t>(value)); }

    void count(std::size_t value) { integer(static_cast<std::int32_t>(value)); }

    void real(float value) {
        std::uint32_t word;
        std::memcpy(&word, &value, sizeof word);
        this->word(word);
    }

    void tag(const char (&name)[5]) { bytes.insert(bytes.end(), name, name + 4); }

    void value(float v) { real(v); }
    void value(Vec3 v) {
        real(v.x);
        real(v.y);
        real(v.z);
    }
    void value(const Quat& q) {
        real(q.w);
        real(q.x);
        real(q.y);
        real(q.z);
    }
    void value(const Colour& c) {
        real(c.red);
        real(c.green);
        real(c.blue);
    }

    // A zero-padded text field of `size` bytes holding the text's first
    // `size` bytes.
    void text(const std::string& text, std::size_t size) {
        const std::size_t kept = std::min(text.size(), size);
        bytes.insert(bytes.end(), text.begin(), text.begin() + std::ptrdiff_t(kept));
        bytes.insert(bytes.end(), size - kept, 0);
    }

    template <typename Value>
    void track(const KeyframeTrack<Value>& track) {
        tag("Keyf");
        value(track.value);
        byte(track.animated ? 1 : 0);
        if (!track.animated) return;
        count(track.keys.size());
        for (const Key<Value>& key : track.keys) {
            real(key.time);
            value(key.value);
        }
    }

    // "LSys": position, scale, rotation, in that order.
    void transform(const Transform& transform) {
        tag("LSys");
        track(transform.position);
        track(transform.scale);
        track(transform.rotation);
    }

    void light(const Light& light) {
        tag("Lite");
        transform(light.transform);
        integer(light.kind);
        byte(light.flag);
        value(light.ambient);
        value(light.diffuse);
        value(light.specular);
        real(light.spotCutoff);
        integer(light.spotExponent);
        for (float kept : light.kept) real(kept);
        byte(light.castsShadows ? 1 : 0);
    }

    void material(const Material& material) {
        tag("Mate");
        integer(material.kept0);
        real(material.shininess);
        integer(material.kept1);
        value(material.emission);
        value(material.ambientDiffuse);
        value(material.specular);
        for (std::int32_t kept : material.kept2) integer(kept);
        integer(material.texture);
    }

    void view(const View& view) {
        transform(view.transform);
        tag("View");
        track(view.fieldOfView);
        text(view.name, 128);
    }

    void mesh(const Mesh& mesh) {
        transform(mesh.transform);
        tag("Mesh");
        count(mesh.positions.size());
        for (Vec3 position : mesh.positions) value(position);
        count(mesh.texCoords.size());
        for (const TexCoord& texCoord : mesh.texCoords) {
            real(texCoord.u);
            real(texCoord.v);
        }
        count(mesh.normals.size());
        for (Vec3 normal : mesh.normals) value(normal);
        count(mesh.faces.size());
        for (const Face& face : mesh.faces) {
            tag("Face");
            for (std::int32_t index : face.position) integer(index);
            for (std::int32_t index : face.texCoord) integer(index);
            for (std::int32_t index : face.normal) integer(index);
            // The file has the kept value first, then the material index.
            integer(face.kept);
            integer(face.material);
        }
        byte(mesh.flag);
        byte(mesh.castsShadows ? 1 : 0);
    }

    // "BNod" chunks of the whole tree in pre-order (node, lower subtree,
    // upper subtree), without recursion: a tree built in memory may be deep.
    void nodes(const BspTree& tree) {
        std::vector<std::int32_t> pending{0};
        while (!pending.empty()) {
            const BspNode& node = tree.nodes[std::size_t(pending.back())];
            pending.pop_back();
            tag("BNod");
            integer(node.kind);
            if (node.kind == kBspLeafKind) {
                tag("BLea");
                const bool hasList = node.leaf >= 0 && std::size_t(node.leaf) < tree.leaves.size();
                const std::vector<std::int32_t> none;
                const std::vector<std::int32_t>& triangles =
                    hasList ? tree.leaves[std::size_t(node.leaf)].triangles : none;
                count(triangles.size());
                for (std::int32_t triangle : triangles) integer(triangle);
                continue;
            }
            real(node.split);
            pending.push_back(node.upper);
            pending.push_back(node.lower);
        }
    }

    void tree(const BspTree& tree) {
        tag("BTre");
        transform(tree.transform);
        value(tree.boxMin);
        value(tree.boxMax);
        count(tree.triangles.size());
        for (const BspTriangle& triangle : tree.triangles) {
            tag("Tria");
            value(triangle.normal);
            value(triangle.corner0);
            value(triangle.edge1);
            value(triangle.edge2);
            byte(triangle.axisA);
            byte(triangle.axisB);
            for (std::int16_t index : triangle.vectorIndex) {
                const auto bits = static_cast<std::uint16_t>(index);
                byte(static_cast<std::uint8_t>(bits));
                byte(static_cast<std::uint8_t>(bits >> 8));
            }
        }
        count(tree.vectors.size());
        for (Vec3 vector : tree.vectors) value(vector);
        nodes(tree);
    }
};

}  // namespace

std::vector<std::uint8_t> writeScene(const Scene& scene) {
    ByteWriter out;
    out.integer(268);
    out.tag("Scen");
    out.count(scene.lights.size());
    for (const Light& light : scene.lights) out.light(light);
    out.count(scene.materials.size());
    for (const Material& material : scene.materials) out.material(material);
    out.count(scene.textureNames.size());
    for (const std::string& name : scene.textureNames) {
        out.tag("Text");
        out.text(name, 256);
    }
    out.count(scene.views.size());
    for (const View& view : scene.views) out.view(view);
    out.tag("BArr");
    out.count(scene.meshes.size());
    for (const Mesh& mesh : scene.meshes) out.mesh(mesh);
    out.count(scene.trees.size());
    for (const BspTree& tree : scene.trees) out.tree(tree);
    return std::move(out.bytes);
}
