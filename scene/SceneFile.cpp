// The scene file reader: walks the tagged chunks of a scene file in their
// fixed order, through the data files' stream reads. Failed reads follow the
// format's rules (some fail the whole scene, most are passed over and reading
// goes on from where the failed read left off); on top of that the bytes are
// treated as untrusted: a count is checked against the bytes left before
// anything is allocated from it, tree depth is bounded while reading, and
// every index is checked before the post-load pass or the renderer uses it.
#include "scene/SceneFile.h"

#include "scene/Scene.h"
#include "scene/SceneTrees.h"

#include "base/Log.h"
#include "data/DataFile.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr std::int32_t kSceneVersion = 268;

// A tag as the file stores it (four ASCII characters in reading order),
// loaded as one little-endian word.
constexpr std::uint32_t tagWord(const char (&tag)[5]) {
    return std::uint32_t(std::uint8_t(tag[0])) | std::uint32_t(std::uint8_t(tag[1])) << 8 |
           std::uint32_t(std::uint8_t(tag[2])) << 16 | std::uint32_t(std::uint8_t(tag[3])) << 24;
}

constexpr std::uint32_t kScen = tagWord("Scen");
constexpr std::uint32_t kLite = tagWord("Lite");
constexpr std::uint32_t kMate = tagWord("Mate");
constexpr std::uint32_t kText = tagWord("Text");
constexpr std::uint32_t kView = tagWord("View");
constexpr std::uint32_t kLSys = tagWord("LSys");
constexpr std::uint32_t kKeyf = tagWord("Keyf");
constexpr std::uint32_t kMesh = tagWord("Mesh");
constexpr std::uint32_t kFace = tagWord("Face");
constexpr std::uint32_t kBArr = tagWord("BArr");
constexpr std::uint32_t kBTre = tagWord("BTre");
constexpr std::uint32_t kBNod = tagWord("BNod");
constexpr std::uint32_t kBLea = tagWord("BLea");
constexpr std::uint32_t kTria = tagWord("Tria");

// The fewest bytes a well-formed element of each list takes in the file. A
// count whose elements could not fit in the bytes left even at these sizes
// makes the file malformed, before anything is allocated from it; so memory
// stays proportional to the file.
constexpr std::size_t kVectorTrackMinSize = 4 + 12 + 1;  // "Keyf", rest value, animated byte
constexpr std::size_t kRotationTrackMinSize = 4 + 16 + 1;
constexpr std::size_t kScalarTrackMinSize = 4 + 4 + 1;
constexpr std::size_t kTransformMinSize = 4 + 2 * kVectorTrackMinSize + kRotationTrackMinSize;
constexpr std::size_t kLightMinSize = 4 + kTransformMinSize + 4 + 1 + 3 * 12 + 4 + 4 + 12 + 1;
constexpr std::size_t kMaterialSize = 68;
constexpr std::size_t kTextureSize = 260;
constexpr std::size_t kViewMinSize = kTransformMinSize + 4 + kScalarTrackMinSize + 128;
constexpr std::size_t kMeshMinSize = kTransformMinSize + 4 + 4 * 4 + 2;
constexpr std::size_t kFaceSize = 48;
constexpr std::size_t kLeafNodeMinSize = 4 + 4 + 4 + 4;  // "BNod", kind 3, "BLea", count 0
constexpr std::size_t kTreeMinSize = 4 + kTransformMinSize + 2 * 12 + 4 + 4 + kLeafNodeMinSize;
constexpr std::size_t kTriangleSize = 60;

std::uint32_t littleEndian32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

float littleEndianFloat(const std::uint8_t* bytes) {
    const std::uint32_t word = littleEndian32(bytes);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

Vec3 littleEndianVec3(const std::uint8_t* bytes) {
    return {littleEndianFloat(bytes), littleEndianFloat(bytes + 4), littleEndianFloat(bytes + 8)};
}

// The walk of one scene file. Every read goes through readData; a read that
// returns fewer bytes than asked leaves its destination unchanged. Once a
// count has made the file malformed every further read fails, so the walk
// unwinds at once.
class SceneReader {
public:
    SceneReader(MemoryFile& file, Scene& scene, SceneTextures& textures, int windowWidth,
                int windowHeight)
        : file_(file),
          scene_(scene),
          textures_(textures),
          windowWidth_(windowWidth),
          windowHeight_(windowHeight) {}

    bool readVersion(std::int32_t& version) { return readInt(version); }
    bool readScen();
    bool malformed() const { return malformed_; }

private:
    std::size_t bytesLeft() const {
        return file_.size() > file_.position ? file_.size() - file_.position : 0;
    }

    bool readBytes(void* destination, std::size_t size) {
        return !malformed_ && readData(destination, size, 1, file_) == 1;
    }

    template <std::size_t Size>
    bool readRaw(std::uint8_t (&bytes)[Size]) {
        return readBytes(bytes, Size);
    }

    bool readByte(std::uint8_t& value) { return readBytes(&value, 1); }

    bool readInt(std::int32_t& value) {
        std::uint8_t bytes[4];
        if (!readRaw(bytes)) return false;
        value = static_cast<std::int32_t>(littleEndian32(bytes));
        return true;
    }

    bool readFloat(float& value) {
        std::uint8_t bytes[4];
        if (!readRaw(bytes)) return false;
        value = littleEndianFloat(bytes);
        return true;
    }

    bool readValue(float& value) { return readFloat(value); }

    bool readValue(Vec3& value) {
        std::uint8_t bytes[12];
        if (!readRaw(bytes)) return false;
        value = littleEndianVec3(bytes);
        return true;
    }

    bool readValue(Quat& value) {
        std::uint8_t bytes[16];
        if (!readRaw(bytes)) return false;
        value = {littleEndianFloat(bytes), littleEndianFloat(bytes + 4),
                 littleEndianFloat(bytes + 8), littleEndianFloat(bytes + 12)};
        return true;
    }

    bool readValue(Colour& value) {
        Vec3 rgb;
        if (!readValue(rgb)) return false;
        value = {rgb.x, rgb.y, rgb.z};
        return true;
    }

    bool readTag(std::uint32_t expected) {
        std::uint8_t bytes[4];
        return readRaw(bytes) && littleEndian32(bytes) == expected;
    }

    // A list's count: false on a short read, and false with the file marked
    // malformed (one log line) when the count is negative or its elements
    // cannot fit in the bytes left at `elementSize` bytes each.
    bool readCount(std::int32_t& count, std::size_t elementSize, const char* what);
    void refuse(const char* format, ...) DP_PRINTF(2, 3);

    template <typename Value>
    void readTrack(KeyframeTrack<Value>& track);
    bool readTransform(Transform& transform);
    bool readLight(Light& light);
    bool readMaterial(Material& material);
    bool readTexture(std::size_t index);
    bool readView(View& view);
    bool readMesh(Mesh& mesh);
    bool readFace(Face& face);
    bool readBspArray();
    bool readTree(BspTree& tree);
    bool readTriangle(BspTriangle& triangle);
    bool readNode(BspTree& tree, std::int32_t node, int interiorLevelsAbove);
    bool readLeaf(BspTree& tree, std::size_t leaf);

    MemoryFile& file_;
    Scene& scene_;
    SceneTextures& textures_;
    int windowWidth_;
    int windowHeight_;
    bool malformed_ = false;
};

void SceneReader::refuse(const char* format, ...) {
    char reason[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    logMessage("Scene file %s is malformed: %s", scene_.name().c_str(), reason);
    malformed_ = true;
}

bool SceneReader::readCount(std::int32_t& count, std::size_t elementSize, const char* what) {
    if (!readInt(count)) return false;
    if (count < 0) {
        refuse("%s count %d is negative", what, count);
        return false;
    }
    const std::size_t left = bytesLeft();
    if (std::size_t(count) > left / elementSize) {
        refuse("%s count %d does not fit in the %zu bytes left", what, count, left);
        return false;
    }
    return true;
}

// "Keyf" chunk: a tag other than "Keyf", or a short rest value, leaves the
// track as it was; reading goes on after whatever was consumed. Keys stop at
// the first short read, and the list keeps only the keys read.
template <typename Value>
void SceneReader::readTrack(KeyframeTrack<Value>& track) {
    if (!readTag(kKeyf)) return;
    Value value;
    if (!readValue(value)) return;
    track.value = value;
    std::uint8_t animated = 0;
    if (!readByte(animated)) return;
    track.animated = animated != 0;
    if (!track.animated) return;
    std::int32_t count = 0;
    static_assert(sizeof(Vec3) == 12 && sizeof(Quat) == 16, "keys are read field by field");
    if (!readCount(count, 4 + sizeof(Value), "key")) return;
    track.keys.resize(std::size_t(count));
    std::size_t read = 0;
    while (read < track.keys.size()) {
        Key<Value>& key = track.keys[read];
        if (!readFloat(key.time) || !readValue(key.value)) break;
        ++read;
    }
    track.keys.resize(read);
}

// "LSys": fails only on its own tag; the tracks' troubles are not reported.
bool SceneReader::readTransform(Transform& transform) {
    if (!readTag(kLSys)) return false;
    readTrack(transform.position);
    readTrack(transform.scale);
    readTrack(transform.rotation);
    transform.recomputeMatrices();
    return true;
}

bool SceneReader::readLight(Light& light) {
    if (!readTag(kLite)) return false;
    readTransform(light.transform);
    if (!readInt(light.kind) || !readByte(light.flag)) return false;
    // Short colour reads are not checked: the next field's read fails.
    readValue(light.ambient);
    readValue(light.diffuse);
    readValue(light.specular);
    if (!readFloat(light.spotCutoff) || !readInt(light.spotExponent)) return false;
    Vec3 kept;
    if (!readValue(kept)) return false;
    light.kept = {kept.x, kept.y, kept.z};
    std::uint8_t castsShadows = 0;
    if (!readByte(castsShadows)) return false;
    light.castsShadows = castsShadows != 0;
    return true;
}

bool SceneReader::readMaterial(Material& material) {
    if (!readTag(kMate)) return false;
    if (!readInt(material.kept0) || !readFloat(material.shininess) || !readInt(material.kept1))
        return false;
    readValue(material.emission);
    readValue(material.ambientDiffuse);
    readValue(material.specular);
    for (std::int32_t& kept : material.kept2)
        if (!readInt(kept)) return false;
    return readInt(material.texture);
}

bool SceneReader::readTexture(std::size_t index) {
    if (!readTag(kText)) return false;
    char name[256] = {};
    if (!readBytes(name, sizeof name)) return false;
    name[255] = '\0';
    scene_.textureNames[index] = name;
    scene_.textures[index] = textures_.texture(scene_.textureNames[index]);
    return scene_.textures[index] != nullptr;
}

bool SceneReader::readView(View& view) {
    if (!readTransform(view.transform) || !readTag(kView)) return false;
    readTrack(view.fieldOfView);
    char name[128] = {};
    if (!readBytes(name, sizeof name)) return false;
    name[127] = '\0';
    view.name = name;
    view.width = windowWidth_;
    view.height = windowHeight_;
    view.transform.recomputeMatrices();
    return true;
}

bool SceneReader::readFace(Face& face) {
    if (!readTag(kFace)) return false;
    std::uint8_t bytes[44];
    if (!readRaw(bytes)) return false;
    for (int corner = 0; corner < 3; ++corner) {
        face.position[corner] = static_cast<std::int32_t>(littleEndian32(bytes + 4 * corner));
        face.texCoord[corner] = static_cast<std::int32_t>(littleEndian32(bytes + 12 + 4 * corner));
        face.normal[corner] = static_cast<std::int32_t>(littleEndian32(bytes + 24 + 4 * corner));
    }
    // The kept value comes before the material index in the file.
    face.kept = static_cast<std::int32_t>(littleEndian32(bytes + 36));
    face.material = static_cast<std::int32_t>(littleEndian32(bytes + 40));
    return true;
}

bool SceneReader::readMesh(Mesh& mesh) {
    readTransform(mesh.transform);
    if (!readTag(kMesh)) return false;
    std::int32_t count = 0;
    if (!readCount(count, 12, "position")) return false;
    mesh.positions.resize(std::size_t(count));
    for (Vec3& position : mesh.positions)
        if (!readValue(position)) return false;
    if (!readCount(count, 8, "texture coordinate")) return false;
    mesh.texCoords.resize(std::size_t(count));
    for (TexCoord& texCoord : mesh.texCoords) {
        std::uint8_t bytes[8];
        if (!readRaw(bytes)) return false;
        texCoord = {littleEndianFloat(bytes), littleEndianFloat(bytes + 4)};
    }
    if (!readCount(count, 12, "normal")) return false;
    mesh.normals.resize(std::size_t(count));
    for (Vec3& normal : mesh.normals)
        if (!readValue(normal)) return false;
    if (!readCount(count, kFaceSize, "face")) return false;
    mesh.faces.assign(std::size_t(count), Face());
    for (Face& face : mesh.faces) readFace(face);  // a failed face is passed over
    logOutput("numfaces: %i\n", count);
    std::uint8_t castsShadows = 0;
    readByte(mesh.flag);
    if (!readByte(castsShadows)) return false;
    mesh.castsShadows = castsShadows != 0;
    return true;
}

bool SceneReader::readTriangle(BspTriangle& triangle) {
    if (!readTag(kTria)) return false;
    std::uint8_t bytes[kTriangleSize - 4];
    if (!readRaw(bytes)) return false;
    BspTriangle read;
    read.normal = littleEndianVec3(bytes);
    read.corner0 = littleEndianVec3(bytes + 12);
    read.edge1 = littleEndianVec3(bytes + 24);
    read.edge2 = littleEndianVec3(bytes + 36);
    read.axisA = bytes[48];
    read.axisB = bytes[49];
    for (int corner = 0; corner < 3; ++corner)
        read.vectorIndex[corner] = static_cast<std::int16_t>(
            std::uint16_t(bytes[50 + 2 * corner] | bytes[51 + 2 * corner] << 8));
    prepareTriangle(read);
    triangle = read;
    return true;
}

bool SceneReader::readLeaf(BspTree& tree, std::size_t leaf) {
    if (!readTag(kBLea)) return false;
    std::int32_t count = 0;
    if (!readCount(count, 4, "leaf triangle")) return false;
    std::vector<std::int32_t>& triangles = tree.leaves[leaf].triangles;
    triangles.resize(std::size_t(count));
    for (std::int32_t& triangle : triangles)
        if (!readInt(triangle)) return false;
    return true;
}

// "BNod" for `node`, a leaf as yet, and for an interior node its subtree in
// pre-order: lower child, then upper. The file numbers nodes as a heap; here
// each split makes the two children and links them. The ray walk keeps one
// pending subtree per interior level, so a path with more interior levels
// than it holds makes the file malformed; that also bounds the recursion.
bool SceneReader::readNode(BspTree& tree, std::int32_t node, int interiorLevelsAbove) {
    if (!readTag(kBNod)) return false;
    std::int32_t kind = 0;
    if (!readInt(kind)) return false;
    if (kind == kBspLeafKind) {
        const std::size_t leaf = tree.leaves.size();
        tree.leaves.emplace_back();
        tree.nodes[std::size_t(node)].leaf = static_cast<std::int32_t>(leaf);
        readLeaf(tree, leaf);  // the node stands whatever its list holds
        return true;
    }
    if (kind < 0 || kind > 2) {
        refuse("node kind %d is not 0 to 3", kind);
        return false;
    }
    if (interiorLevelsAbove >= kBspMaxDepth) {
        refuse("a tree has more than %d split levels", kBspMaxDepth);
        return false;
    }
    // A node whose split cannot be read stays a leaf: an interior node
    // always has both children.
    float split = 0.0f;
    if (!readFloat(split)) return false;
    tree.split(node, kind, split);
    // Read by index: reading the lower subtree appends to the node list.
    const std::int32_t upper = tree.nodes[std::size_t(node)].upper;
    readNode(tree, tree.nodes[std::size_t(node)].lower, interiorLevelsAbove + 1);
    readNode(tree, upper, interiorLevelsAbove + 1);
    return true;
}

bool SceneReader::readTree(BspTree& tree) {
    if (!readTag(kBTre)) return false;
    readTransform(tree.transform);
    readValue(tree.boxMin);
    readValue(tree.boxMax);
    std::int32_t count = 0;
    if (!readCount(count, kTriangleSize, "triangle")) return false;
    tree.triangles.resize(std::size_t(count));
    for (BspTriangle& triangle : tree.triangles) readTriangle(triangle);
    if (!readCount(count, 12, "vector")) return false;
    tree.vectors.resize(std::size_t(count));
    for (Vec3& vector : tree.vectors) readValue(vector);
    return readNode(tree, 0, 0);
}

bool SceneReader::readBspArray() {
    if (!readTag(kBArr)) return false;
    std::int32_t count = 0;
    if (!readCount(count, kMeshMinSize, "mesh")) return false;
    scene_.meshes.resize(std::size_t(count));
    for (Mesh& mesh : scene_.meshes) {
        readMesh(mesh);
        if (malformed_) return false;
    }
    if (!readCount(count, kTreeMinSize, "tree")) return false;
    scene_.trees.clear();
    scene_.trees.resize(std::size_t(count));
    for (BspTree& tree : scene_.trees) {
        readTree(tree);
        if (malformed_) return false;
    }
    return true;
}

bool SceneReader::readScen() {
    std::int32_t count = 0;
    if (!readTag(kScen) || !readCount(count, kLightMinSize, "light")) return false;
    scene_.lights.resize(std::size_t(count));
    for (Light& light : scene_.lights) {
        readLight(light);
        if (malformed_) return false;
    }

    if (!readCount(count, kMaterialSize, "material")) return false;
    scene_.materials.resize(std::size_t(count));
    for (Material& material : scene_.materials) readMaterial(material);

    if (!readCount(count, kTextureSize, "texture")) return false;
    scene_.textures.assign(std::size_t(count), nullptr);
    scene_.textureNames.assign(std::size_t(count), std::string());
    for (std::size_t i = 0; i < scene_.textures.size(); ++i) {
        if (!readTexture(i)) {
            logOutput("Scene: Error while loading texture\n");
            return false;
        }
    }

    if (!readCount(count, kViewMinSize, "view")) return false;
    scene_.views.resize(std::size_t(count));
    // Every view belongs to the scene, also one whose record fails to read.
    for (View& view : scene_.views) view.scene = &scene_;
    for (View& view : scene_.views) {
        readView(view);
        if (malformed_) return false;
    }

    return readBspArray();
}

bool checkIndex(std::int32_t index, std::size_t size) {
    return index >= 0 && std::size_t(index) < size;
}

// The version check and the walk of the scene chunk in `file`.
SceneChunksRead walkSceneFile(MemoryFile& file, Scene& scene, SceneTextures& textures,
                              int windowWidth, int windowHeight) {
    SceneChunksRead result;
    SceneReader reader(file, scene, textures, windowWidth, windowHeight);
    std::int32_t version = 0;
    if (!reader.readVersion(version)) return result;
    if (version != kSceneVersion) {
        logOutput("fileRead: Wrong file version\n");
        return result;
    }
    result.versionAccepted = true;
    result.complete = reader.readScen() && !reader.malformed();
    result.malformed = reader.malformed();
    return result;
}

// After the walk: the index check, then the post-load pass, which relies on
// it; neither for a refused file.
bool finishScene(const SceneChunksRead& read, Scene& scene) {
    if (!read.versionAccepted || read.malformed || !checkSceneIndices(scene)) return false;
    buildSceneTrees(scene);
    return read.complete;
}

}  // namespace

SceneChunksRead readSceneChunks(const std::uint8_t* data, std::size_t size, const std::string& name,
                                Scene& scene, SceneTextures& textures, int windowWidth,
                                int windowHeight) {
    scene.setName(name);
    // The stream's read position is 32 bits wide.
    if (size >= std::numeric_limits<std::uint32_t>::max()) {
        logMessage("Scene file %s is malformed: %zu bytes are more than a scene file holds",
                   name.c_str(), size);
        SceneChunksRead refused;
        refused.malformed = true;
        return refused;
    }
    MemoryFile file;
    file.name = name;
    file.bytes.reserve(size + 1);
    file.bytes.assign(data, data + size);
    file.bytes.push_back(0);
    return walkSceneFile(file, scene, textures, windowWidth, windowHeight);
}

bool checkSceneIndices(const Scene& scene) {
    for (std::size_t m = 0; m < scene.materials.size(); ++m) {
        const std::int32_t texture = scene.materials[m].texture;
        if (texture != -1 && !checkIndex(texture, scene.textures.size())) {
            logMessage(
                "Scene file %s is malformed: material %zu: texture index %d is out of "
                "range (%zu textures)",
                scene.name().c_str(), m, texture, scene.textures.size());
            return false;
        }
    }
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        const Mesh& mesh = scene.meshes[m];
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            const Face& face = mesh.faces[f];
            auto bad = [&](const char* what, std::int32_t index, std::size_t size,
                           const char* listName) {
                logMessage(
                    "Scene file %s is malformed: mesh %zu, face %zu: %s index %d is out "
                    "of range (%zu %s)",
                    scene.name().c_str(), m, f, what, index, size, listName);
                return false;
            };
            if (!checkIndex(face.material, scene.materials.size()))
                return bad("material", face.material, scene.materials.size(), "materials");
            // Texture coordinates are used only with a textured material.
            const bool textured = scene.materials[std::size_t(face.material)].texture != -1;
            for (int corner = 0; corner < 3; ++corner) {
                if (!checkIndex(face.position[corner], mesh.positions.size()))
                    return bad("position", face.position[corner], mesh.positions.size(),
                               "positions");
                if (textured && !checkIndex(face.texCoord[corner], mesh.texCoords.size()))
                    return bad("texture coordinate", face.texCoord[corner], mesh.texCoords.size(),
                               "texture coordinates");
                if (!checkIndex(face.normal[corner], mesh.normals.size()))
                    return bad("normal", face.normal[corner], mesh.normals.size(), "normals");
            }
        }
    }
    for (std::size_t t = 0; t < scene.trees.size(); ++t) {
        const BspTree& tree = scene.trees[t];
        for (std::size_t l = 0; l < tree.leaves.size(); ++l)
            for (std::int32_t triangle : tree.leaves[l].triangles)
                if (!checkIndex(triangle, tree.triangles.size())) {
                    logMessage(
                        "Scene file %s is malformed: tree %zu, leaf %zu: triangle index "
                        "%d is out of range (%zu triangles)",
                        scene.name().c_str(), t, l, triangle, tree.triangles.size());
                    return false;
                }
    }
    return true;
}

bool readScene(const std::uint8_t* data, std::size_t size, const std::string& name, Scene& scene,
               SceneTextures& textures, int windowWidth, int windowHeight) {
    const SceneChunksRead read =
        readSceneChunks(data, size, name, scene, textures, windowWidth, windowHeight);
    return finishScene(read, scene);
}

bool fileRead(const std::string& fileName, Scene& scene, SceneTextures& textures, int windowWidth,
              int windowHeight) {
    std::unique_ptr<MemoryFile> file = openDataFile(fileName);
    if (!file) {
        logOutput("fileRead: Error while opening input file\n");
        return false;
    }
    scene.setName(fileName);
    const SceneChunksRead read = walkSceneFile(*file, scene, textures, windowWidth, windowHeight);
    closeDataFile(std::move(file));
    return finishScene(read, scene);
}
