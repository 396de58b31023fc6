#include "scenetool/ModelImport.h"

#include "AssimpConversions.h"
#include "AtomicFile.h"
#include "ImportProgress.h"
#include "ModelRead.h"
#include "ModelTextures.h"
#include "scenetool/BspSplits.h"
#include "scenetool/MeshRepair.h"
#include "scenetool/ModelFraming.h"
#include "scenetool/ModelLighting.h"

#include "data/DataFile.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

#include <assimp/scene.h>
#include <assimp/version.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

// Bounds on what a model's animation becomes: its length, and the keys
// resampling makes per track (an hour at 30 keys a second fits both).
constexpr double kLongestAnimation = 3600.0;
constexpr int kMostKeysPerTrack = 108'000;

namespace {

constexpr int kLeafTriangles = 8;
constexpr int kTreeDepth = 32;  // well within what the player walks
constexpr float kPi = 3.14159265f;
constexpr float kNarrowestLens = 1.0f;  // degrees

struct WorldNode {
    const aiNode* node;
    aiMatrix4x4 world;
};

class Importer {
public:
    Importer(const aiScene& model, const ImportOptions& options, const fs::path& modelPath,
             Scene& scene, ImportProgress& progress)
        : model_(model),
          options_(options),
          scene_(scene),
          progress_(progress),
          textures_(model, options.pictureDir, modelPath,
                    {options.textureDirs.begin(), options.textureDirs.end()}) {
        std::string ext = modelPath.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        isGltf_ = ext == ".gltf" || ext == ".glb";
        is3ds_ = ext == ".3ds";
        chooseAxes(ext);
    }

    bool run(std::string& error) {
        progress_.phase("converting the model");
        chooseScale();
        flattenNodes();
        animation();
        if (!materials(error)) return false;
        for (std::size_t n = 0; n < nodes_.size(); ++n) {
            const aiNode* node = nodes_[n].node;
            for (unsigned i = 0; i < node->mNumMeshes; ++i)
                mesh(*model_.mMeshes[node->mMeshes[i]], node, nodes_[n].world);
            progress_.update(float(n + 1) / float(nodes_.size()));
        }
        std::size_t faces = 0;
        for (const Mesh& mesh : scene_.meshes) faces += mesh.faces.size();
        if (faces == 0) {
            error = "the model holds no triangles with any area";
            return false;
        }
        if (doubleSided_ > 0)
            std::fprintf(stderr,
                         "note: %zu meshes are double-sided or open sheets; their faces "
                         "are written again, turned round, so they show from both sides "
                         "(--single-sided keeps one side)\n",
                         doubleSided_);
        std::fprintf(stderr, "%zu meshes, %zu triangles, %zu materials, %zu textures\n",
                     scene_.meshes.size(), faces, scene_.materials.size(),
                     scene_.textureNames.size());
        sphere_ = boundingSphereOf(corners_);
        views();
        lights();
        progress_.phase("building BSP tree 0");
        tree();
        return true;
    }

private:
    // The model's up axis and the axis its front faces along: --up, else what
    // the file says, else the convention of its format (Quake's and Valve's
    // models, Blender's scenes and models for printing stand on z), else y
    // up and facing +z.
    void chooseAxes(const std::string& extension) {
        static const std::set<std::string> kZUp = {".md2", ".md3", ".mdc", ".mdl", ".md5mesh",
                                                   ".smd", ".stl", ".amf", ".3mf", ".blend"};
        int axis = -1, sign = 1;
        const std::string& given = options_.upAxis;
        if (!given.empty()) {
            sign = given[0] == '-' ? -1 : 1;
            axis = given.back() - 'x';
        } else if (model_.mMetaData && model_.mMetaData->Get("UpAxis", axis) && axis >= 0 &&
                   axis < 3) {
            model_.mMetaData->Get("UpAxisSign", sign);
        } else {
            axis = kZUp.count(extension) ? 2 : 1;
        }
        const float s = sign < 0 ? -1.0f : 1.0f;
        up_ = axis == 0 ? Vec3{s, 0, 0} : axis == 2 ? Vec3{0, 0, s} : Vec3{0, s, 0};
        front_ = axis == 2 ? Vec3{0, -s, 0} : axis == 0 ? Vec3{0, 0, 1} : Vec3{0, 0, s};
    }

    // The whole scene's scale: --scale as given; otherwise metres for a model
    // that states its units, then the power of ten that keeps the model
    // clear of the player's near plane.
    void chooseScale() {
        if (options_.scale > 0.0f) {
            scale_ = options_.scale;
            return;
        }
        scale_ = 1.0f;
        // FBX states centimetres per unit, as a double or a float.
        double unit = 0.0;
        float unitFloat = 0.0f;
        if (model_.mMetaData && !model_.mMetaData->Get("UnitScaleFactor", unit) &&
            model_.mMetaData->Get("UnitScaleFactor", unitFloat))
            unit = unitFloat;
        if (unit > 0.0 && std::isfinite(unit) && std::fabs(unit - 100.0) > 1e-3) {
            scale_ = float(unit / 100.0);
            std::fprintf(stderr, "note: the model's unit is %g cm; scaled by %g to metres\n", unit,
                         double(scale_));
        }
        std::vector<Vec3> points;
        std::vector<WorldNode> pending{{model_.mRootNode, model_.mRootNode->mTransformation}};
        while (!pending.empty()) {
            const WorldNode entry = pending.back();
            pending.pop_back();
            for (unsigned i = 0; i < entry.node->mNumMeshes; ++i) {
                const aiMesh& mesh = *model_.mMeshes[entry.node->mMeshes[i]];
                if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
                for (unsigned v = 0; v < mesh.mNumVertices; ++v)
                    points.push_back(scale_ * transformPoint(entry.world, mesh.mVertices[v]));
            }
            for (unsigned i = 0; i < entry.node->mNumChildren; ++i) {
                const aiNode* child = entry.node->mChildren[i];
                pending.push_back({child, entry.world * child->mTransformation});
            }
        }
        const float radius = boundingSphereOf(points).radius;
        const float factor = nearPlaneScale(radius);
        if (factor == 1.0f) return;
        scale_ *= factor;
        std::fprintf(stderr,
                     "note: the model is %g units across; scaled by %g so the player's "
                     "near plane, 1 unit before the camera, cannot cut it (--scale 1 keeps its "
                     "size)\n",
                     double(2.0f * radius), double(factor));
    }

    aiMatrix4x4 rootScaling() const {
        aiMatrix4x4 root;
        aiMatrix4x4::Scaling(aiVector3D(scale_, scale_, scale_), root);
        return root;
    }

    void flattenNodes() {
        std::vector<WorldNode> pending{
            {model_.mRootNode, rootScaling() * model_.mRootNode->mTransformation}};
        while (!pending.empty()) {
            const WorldNode entry = pending.back();
            pending.pop_back();
            nodes_.push_back(entry);
            byName_[entry.node->mName.C_Str()] = entry.world;
            for (unsigned i = entry.node->mNumChildren; i-- > 0;) {
                const aiNode* child = entry.node->mChildren[i];
                pending.push_back({child, entry.world * child->mTransformation});
            }
        }
    }

    // The first animation's channels by node name, and the times at which
    // every animated track is keyed: --resample HZ across its duration, so
    // the player's smoothstep between keys eases only over one short step.
    void animation() {
        if (model_.mNumAnimations == 0) return;
        if (model_.mNumAnimations > 1)
            std::fprintf(stderr, "note: the model has %u animations; only the first is kept\n",
                         model_.mNumAnimations);
        const aiAnimation& animation = *model_.mAnimations[0];
        ticksPerSecond_ = animation.mTicksPerSecond > 0.0 ? animation.mTicksPerSecond : 25.0;
        for (unsigned i = 0; i < animation.mNumChannels; ++i)
            channels_[animation.mChannels[i]->mNodeName.C_Str()] = animation.mChannels[i];
        double seconds = animation.mDuration / ticksPerSecond_;
        if (!(seconds >= 0.0)) seconds = 0.0;  // negative or not a number
        if (seconds > kLongestAnimation) {
            std::fprintf(stderr,
                         "note: the animation lasts %g s; only its first %g s are kept\n",
                         seconds, kLongestAnimation);
            seconds = kLongestAnimation;
        }
        const double wanted = std::ceil(seconds * double(options_.resampleHz));
        if (wanted > kMostKeysPerTrack)
            std::fprintf(stderr, "note: %g keys per track are too many; %d are made\n", wanted,
                         kMostKeysPerTrack);
        const int steps = int(std::clamp(wanted, 1.0, double(kMostKeysPerTrack)));
        for (int k = 0; k <= steps; ++k) keyTimes_.push_back(float(seconds * k / steps));
        std::fprintf(stderr, "animation: %u channels, %.3f s, %zu keys per track\n",
                     animation.mNumChannels, seconds, keyTimes_.size());
    }

    // Whether the node or one of its parents moves.
    bool isAnimated(const aiNode* node) const {
        for (; node; node = node->mParent)
            if (channels_.count(node->mName.C_Str())) return true;
        return false;
    }

    // The node's world matrix at `seconds` into the animation.
    aiMatrix4x4 worldAt(const aiNode* node, float seconds) const {
        const double ticks = double(seconds) * ticksPerSecond_;
        aiMatrix4x4 world;
        for (; node; node = node->mParent) {
            const auto channel = channels_.find(node->mName.C_Str());
            world = (channel == channels_.end()
                         ? node->mTransformation
                         : channelAt(*channel->second, node->mTransformation, ticks)) *
                    world;
        }
        return rootScaling() * world;
    }

    // Position, rotation and scale keys of a moving node's world transform.
    // `restScale` is already in the mesh's vertices: the keys scale by the
    // change from it.
    void keyTransform(const aiNode* node, Transform& transform, const aiVector3D& restScale) const {
        for (float t : keyTimes_) {
            aiVector3D scale, position;
            aiQuaternion rotation;
            worldAt(node, t).Decompose(scale, rotation, position);
            transform.position.keys.push_back({t, toVec3(position)});
            transform.scale.keys.push_back(
                {t, {scale.x / restScale.x, scale.y / restScale.y, scale.z / restScale.z}});
            appendRotation(transform.rotation, t, playerRotation(rotation));
        }
        transform.position.animated = transform.scale.animated = true;
        transform.position.value = transform.position.keys.front().value;
        transform.rotation.value = transform.rotation.keys.front().value;
        transform.scale.value = transform.scale.keys.front().value;
    }

    // Position and view direction keys of a moving camera or light, whose
    // frame is `position`, `forward` and `up` in its node's coordinates.
    void keyLook(const aiNode* node, const aiVector3D& position, const aiVector3D& forward,
                 const aiVector3D& up, Transform& transform) const {
        for (float t : keyTimes_) {
            const aiMatrix4x4 world = worldAt(node, t);
            transform.position.keys.push_back({t, transformPoint(world, position)});
            appendRotation(
                transform.rotation, t,
                lookRotation(transformDirection(world, forward), transformDirection(world, up)));
        }
        transform.position.animated = true;
        transform.position.value = transform.position.keys.front().value;
        transform.rotation.value = transform.rotation.keys.front().value;
    }

    const aiNode* nodeOf(const aiString& name) const { return model_.mRootNode->FindNode(name); }

    aiMatrix4x4 worldOf(const aiString& name) const {
        const auto found = byName_.find(name.C_Str());
        if (found != byName_.end()) return found->second;
        return rootScaling();
    }

    bool materials(std::string& error) {
        std::map<std::string, std::int32_t> textureIndex;
        for (unsigned i = 0; i < model_.mNumMaterials; ++i) {
            const aiMaterial& source = *model_.mMaterials[i];
            Material material;
            aiColor3D colour;
            if (source.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS ||
                source.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS)
                material.ambientDiffuse = toColour(colour);
            if (source.Get(AI_MATKEY_COLOR_EMISSIVE, colour) == AI_SUCCESS)
                material.emission = toColour(colour);
            if (source.Get(AI_MATKEY_COLOR_SPECULAR, colour) == AI_SUCCESS)
                material.specular = toColour(colour);
            float shininess = 0.0f, roughness = 0.0f, strength = 1.0f;
            if (source.Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS && shininess > 0.0f) {
                material.shininess = std::min(shininess, 128.0f);
            } else if (source.Get(AI_MATKEY_ROUGHNESS_FACTOR, roughness) == AI_SUCCESS) {
                // Blinn-Phong exponent of the same highlight width as a
                // Beckmann lobe of slope r^2: 2 / r^4 - 2, within GL's 0..128.
                const float r2 = std::max(roughness * roughness, 1e-3f);
                material.shininess = std::clamp(2.0f / (r2 * r2) - 2.0f, 0.0f, 128.0f);
            }
            if (source.Get(AI_MATKEY_SHININESS_STRENGTH, strength) == AI_SUCCESS &&
                strength >= 0.0f && strength < 1.0f)
                material.specular = {strength * material.specular.red,
                                     strength * material.specular.green,
                                     strength * material.specular.blue};
            // An exponent below 1 spreads the highlight over every lit face
            // (GL's exponent 0 adds the whole specular colour everywhere):
            // no model means that, and it washes the model out. Shading
            // models without highlights get none.
            int shading = 0;
            const bool plain = source.Get(AI_MATKEY_SHADING_MODEL, shading) == AI_SUCCESS &&
                               (shading == aiShadingMode_Flat || shading == aiShadingMode_Gouraud ||
                                shading == aiShadingMode_NoShading);
            if (plain)
                material.specular = {0, 0, 0};
            else if (material.shininess < 1.0f)
                material.shininess = 16.0f;
            int twoSided = 0;
            twoSided_.push_back(source.Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS &&
                                twoSided != 0);
            aiString path;
            if (source.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS ||
                source.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS) {
                std::string name;
                if (!textures_.name(path, name, error)) return false;
                if (!name.empty()) {
                    auto [entry, added] =
                        textureIndex.emplace(name, std::int32_t(scene_.textureNames.size()));
                    if (added) {
                        scene_.textureNames.push_back(name);
                        scene_.textures.push_back(nullptr);
                    }
                    material.texture = entry->second;
                }
            }
            scene_.materials.push_back(material);
        }
        return true;
    }

    void mesh(const aiMesh& source, const aiNode* node, const aiMatrix4x4& world) {
        if (!(source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || source.mNumVertices == 0)
            return;
        const char* name = source.mName.length ? source.mName.C_Str() : "(unnamed)";
        // The player moves whole meshes only: a skinned or morphing mesh is
        // written as it stands at rest, and the author is told.
        if (source.mNumBones > 0 || source.mNumAnimMeshes > 0)
            std::fprintf(stderr,
                         "note: mesh %s is %s; it is written in its rest pose (the "
                         "player moves whole meshes only)\n",
                         name, source.mNumBones > 0 ? "skinned" : "morphed");
        Mesh mesh;
        mesh.castsShadows = options_.shadows;
        aiVector3D scale, position;
        aiQuaternion rotation;
        world.Decompose(scale, rotation, position);
        const aiMatrix4x4 again(scale, rotation, position);
        const bool moving = isAnimated(node);
        // The player lights with the normals as the model-view matrix turns
        // them and does not renormalise: a scaled mesh would be lit too
        // dark or too bright. A static mesh is written in world coordinates
        // (so is a sheared one, which a transform cannot hold); a moving one
        // keeps its rest scale in its vertices, and its keys only the change.
        const bool sheared = !sameMatrix(again, world);
        const bool unitScale = std::fabs(scale.x - 1.0f) < 1e-4f &&
                               std::fabs(scale.y - 1.0f) < 1e-4f &&
                               std::fabs(scale.z - 1.0f) < 1e-4f;
        const bool bake = !moving && (sheared || !unitScale);
        const bool degenerate =
            std::fabs(scale.x) < 1e-8f || std::fabs(scale.y) < 1e-8f || std::fabs(scale.z) < 1e-8f;
        const aiVector3D restScale = moving && !degenerate ? scale : aiVector3D(1, 1, 1);
        if (!bake) {
            mesh.transform.position.value = toVec3(position);
            mesh.transform.rotation.value = playerRotation(rotation);
            mesh.transform.scale.value = {1, 1, 1};
            mesh.transform.recomputeMatrices();
        }
        const aiMatrix3x3 normalMatrix = aiMatrix3x3(world).Inverse().Transpose();
        const auto scaled = [&](const aiVector3D& v) {
            return Vec3{v.x * restScale.x, v.y * restScale.y, v.z * restScale.z};
        };
        for (unsigned i = 0; i < source.mNumVertices; ++i) {
            const aiVector3D& p = source.mVertices[i];
            mesh.positions.push_back(bake ? transformPoint(world, p) : scaled(p));
            const aiVector3D n = source.mNormals ? source.mNormals[i] : aiVector3D(0, 0, 0);
            const aiVector3D restNormal(n.x / restScale.x, n.y / restScale.y, n.z / restScale.z);
            mesh.normals.push_back(bake ? toVec3(normalMatrix * n) : toVec3(restNormal));
            if (source.mTextureCoords[0])
                mesh.texCoords.push_back(
                    {source.mTextureCoords[0][i].x, source.mTextureCoords[0][i].y});
        }
        for (Vec3& n : mesh.normals)
            if (lengthSquared(n) > 0.0f) n = normalized(n);
        if (mesh.texCoords.empty()) mesh.texCoords.push_back({0.0f, 0.0f});
        const bool hasUv = source.mTextureCoords[0] != nullptr;
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;
            Face out;
            for (int j = 0; j < 3; ++j) {
                const auto index = std::int32_t(face.mIndices[j]);
                out.position[std::size_t(j)] = index;
                out.normal[std::size_t(j)] = index;
                out.texCoord[std::size_t(j)] = hasUv ? index : 0;
                const Vec3 corner = transformPoint(world, source.mVertices[face.mIndices[j]]);
                corners_.push_back(corner);
                if (!moving) staticCorners_.push_back(corner);
            }
            out.material = model_.mNumMaterials > 0 ? std::int32_t(source.mMaterialIndex) : -1;
            // A face without area draws nothing and only confuses the
            // player's pairing of neighbouring faces for shadows.
            if (isDegenerate(mesh, out)) {
                corners_.resize(corners_.size() - 3);
                if (!moving) staticCorners_.resize(staticCorners_.size() - 3);
                continue;
            }
            mesh.faces.push_back(out);
        }
        if (mesh.faces.empty()) return;
        if (sheared && !moving)
            std::fprintf(stderr,
                         "note: mesh %s has a sheared transform; its vertices are "
                         "baked\n",
                         name);
        if (const std::size_t mended = regenerateBadNormals(mesh))
            std::fprintf(stderr,
                         "note: mesh %s: %zu normals were zero, not finite or missing; "
                         "made from its faces\n",
                         name, mended);
        if (moving) {
            keyTransform(node, mesh.transform, restScale);
            mesh.transform.recomputeMatrices();
        }
        // Modelling programs show both sides of a double-sided material
        // and of an open sheet; the player culls the back of every face.
        const bool twoSided =
            (source.mMaterialIndex < twoSided_.size() && twoSided_[source.mMaterialIndex]) ||
            isOpen(mesh);
        if (twoSided && !options_.singleSided) {
            // A mesh of its own: the front keeps the sheet's shadow volume,
            // which a copy facing the other way would cancel.
            scene_.meshes.push_back(std::move(mesh));
            scene_.meshes.push_back(backFaces(scene_.meshes.back()));
            ++doubleSided_;
            return;
        }
        scene_.meshes.push_back(std::move(mesh));
    }

    // The importers store the full horizontal angle (whatever aiCamera's
    // comment says); the glTF importer before 5.3 stores yfov x aspect.
    float verticalFieldOfView(const aiCamera& camera) const {
        const float horizontal = camera.mHorizontalFOV;
        if (isGltf_ &&
            (aiGetVersionMajor() < 5 || (aiGetVersionMajor() == 5 && aiGetVersionMinor() < 3)))
            return camera.mAspect > 0.0f ? horizontal / camera.mAspect : horizontal;
        if (isGltf_ && camera.mAspect <= 0.0f) return horizontal;
        const float aspect = camera.mAspect > 0.0f ? camera.mAspect : 4.0f / 3.0f;
        return 2.0f * std::atan(std::tan(0.5f * horizontal) / aspect);
    }

    // The player draws in perspective only. An orthographic camera gets the
    // angle that shows, at the model's middle, the width it shows; an
    // angle no lens has (below a long telephoto's degree, a half turn or
    // more) 45 degrees. The author is told either way.
    float usableFieldOfView(const aiCamera& camera, Vec3 position) const {
        const float degree = kPi / 180.0f;
        const char* name = camera.mName.C_Str();
        if (camera.mOrthographicWidth > 0.0f) {
            const float aspect = camera.mAspect > 0.0f ? camera.mAspect : 4.0f / 3.0f;
            const float distance = std::sqrt(lengthSquared(sphere_.centre - position));
            const float halfHeight = camera.mOrthographicWidth * scale_ / aspect;
            if (distance > 0.0f && std::isfinite(distance)) {
                const float fov = 2.0f * std::atan(halfHeight / distance);
                if (fov >= kNarrowestLens * degree && fov < 179.0f * degree) {
                    std::fprintf(stderr,
                                 "note: camera %s is orthographic; the player's "
                                 "perspective shows its width at the model's middle with %.1f "
                                 "degrees\n",
                                 name, double(fov / degree));
                    return fov;
                }
            }
        }
        const float fov = verticalFieldOfView(camera);
        if (fov >= kNarrowestLens * degree && fov < 179.0f * degree) return fov;
        std::fprintf(stderr, "note: camera %s has a field of view of %g degrees; it gets 45\n",
                     name, double(fov / degree));
        return 45.0f * degree;
    }

    void views() {
        scene_.views.clear();
        for (unsigned i = 0; i < model_.mNumCameras; ++i) {
            const aiCamera& camera = *model_.mCameras[i];
            const aiMatrix4x4 world = worldOf(camera.mName);
            // A glTF camera sits at its node's origin looking down -z; the
            // importer (assimp 5.2) also copies the node's translation into
            // the camera's own position, which would count it twice. The
            // 3DS importer does the same.
            const aiVector3D position = isGltf_ || is3ds_ ? aiVector3D(0, 0, 0) : camera.mPosition;
            const aiVector3D lookAt = isGltf_ ? aiVector3D(0, 0, -1) : camera.mLookAt;
            const aiVector3D up = isGltf_ ? aiVector3D(0, 1, 0) : camera.mUp;
            View view;
            view.name = camera.mName.C_Str();
            view.transform.position.value = transformPoint(world, position);
            view.transform.rotation.value =
                lookRotation(transformDirection(world, lookAt), transformDirection(world, up));
            view.fieldOfView.value = usableFieldOfView(camera, view.transform.position.value);
            const aiNode* node = nodeOf(camera.mName);
            if (node && isAnimated(node)) keyLook(node, position, lookAt, up, view.transform);
            scene_.views.push_back(std::move(view));
        }
        if (scene_.views.empty()) {
            View view;
            view.name = "camera";
            view.fieldOfView.value = 45.0f * kPi / 180.0f;
            defaultCamera_ =
                facingFlat(threeQuarterView(sphere_, up_, front_, view.fieldOfView.value), sphere_,
                           flatModelNormal(corners_), up_);
            view.transform.position.value = defaultCamera_.position;
            view.transform.rotation.value = lookRotation(defaultCamera_.forward, defaultCamera_.up);
            scene_.views.push_back(std::move(view));
            std::fprintf(stderr,
                         "note: the model has no camera; added one at a three-quarter "
                         "view from above, framing it\n");
        } else {
            // The lights a model without any gets are set for a look at it
            // from its first camera.
            const Transform& first = scene_.views.front().transform;
            defaultCamera_.position = first.position.value;
            defaultCamera_.forward = normalized(linearTimes(first.linear, {0, 0, -1}));
            defaultCamera_.up = normalized(linearTimes(first.linear, {0, 1, 0}));
        }
        if (!options_.cameraName.empty()) scene_.views.front().name = options_.cameraName;
        for (View& view : scene_.views) {
            view.transform.recomputeMatrices();
            view.scene = &scene_;
        }
    }

    void lights() {
        for (unsigned i = 0; i < model_.mNumLights; ++i) {
            const aiLight& source = *model_.mLights[i];
            if (source.mType != aiLightSource_DIRECTIONAL && source.mType != aiLightSource_POINT &&
                source.mType != aiLightSource_SPOT) {
                std::fprintf(stderr, "note: light %s is of a kind the player lacks; skipped\n",
                             source.mName.C_Str());
                continue;
            }
            const aiMatrix4x4 world = worldOf(source.mName);
            Light light;
            light.kind = source.mType == aiLightSource_DIRECTIONAL ? 3
                         : source.mType == aiLightSource_SPOT      ? 2
                                                                   : 1;
            light.castsShadows = options_.shadows;
            // glTF and Blender lights have no ambient term; their importers
            // repeat the colour there, which would flood the whole scene.
            const bool copied = source.mColorAmbient == source.mColorDiffuse;
            if (!isGltf_ && !copied) light.ambient = limited(source.mColorAmbient);
            light.diffuse = limited(source.mColorDiffuse);
            light.specular = limited(source.mColorSpecular);
            light.transform.position.value = transformPoint(world, source.mPosition);
            Vec3 direction = transformDirection(world, source.mDirection);
            if (lengthSquared(direction) == 0.0f) direction = {0, 0, -1};
            light.transform.rotation.value =
                lookRotation(direction, transformDirection(world, source.mUp));
            if (source.mType == aiLightSource_SPOT) {
                light.spotCutoff = std::clamp(source.mAngleOuterCone, 0.0f, kPi / 2);
                light.spotExponent = spotExponent(source.mAngleInnerCone, light.spotCutoff);
            }
            const aiNode* node = nodeOf(source.mName);
            if (node && isAnimated(node)) {
                const aiVector3D forward = source.mDirection.SquareLength() > 0.0f
                                               ? source.mDirection
                                               : aiVector3D(0, 0, -1);
                keyLook(node, source.mPosition, forward, source.mUp, light.transform);
            }
            light.transform.recomputeMatrices();
            scene_.lights.push_back(light);
        }
        const bool lit =
            std::any_of(scene_.lights.begin(), scene_.lights.end(),
                        [](const Light& l) { return colourBrightness(l.diffuse) > 0.0f; });
        if (!lit && options_.defaultLight) {
            const float exposure = lightExposure(
                scene_, [this](const std::string& name) { return textures_.peak(name); });
            addStudioLights(scene_, sphere_, defaultCamera_, exposure, options_.shadows);
        } else if (lit) {
            balanceModelLights(scene_);
        }
    }

    // GL's spot falloff is cos(angle)^e: the exponent that halves the light
    // halfway between the inner and the outer cone; 0 for a hard edge.
    static std::int32_t spotExponent(float inner, float outer) {
        if (!(inner < outer - 1e-3f)) return 0;
        const float middle = 0.5f * (std::max(inner, 0.0f) + outer);
        const float c = std::cos(middle);
        if (c <= 0.0f || c >= 1.0f) return 0;
        return std::int32_t(std::clamp(std::lround(std::log(0.5f) / std::log(c)), 0L, 128L));
    }

    void tree() {
        const BspLeafSizes leaves =
            chooseSplits(scene_.trees.front(), staticCorners_, kLeafTriangles, kTreeDepth);
        const BspTree& tree = scene_.trees.front();
        std::fprintf(stderr,
                     "BSP tree 0: %zu static triangles, %d levels, %zu leaves (largest %zu, "
                     "mean %.1f triangles)\n",
                     staticCorners_.size() / 3, tree.depth(), leaves.leaves, leaves.largest,
                     leaves.leaves ? double(leaves.references) / double(leaves.leaves) : 0.0);
    }

    const aiScene& model_;
    const ImportOptions& options_;
    bool isGltf_ = false;
    bool is3ds_ = false;
    Scene& scene_;
    ImportProgress& progress_;
    std::vector<WorldNode> nodes_;
    std::map<std::string, aiMatrix4x4> byName_;
    std::vector<Vec3> corners_;        // three per triangle, world coordinates at rest
    std::vector<Vec3> staticCorners_;  // those of the meshes that do not move
    std::map<std::string, const aiNodeAnim*> channels_;
    double ticksPerSecond_ = 25.0;
    std::vector<float> keyTimes_;  // seconds; empty without animation
    ModelTextures textures_;
    float scale_ = 1.0f;                 // the whole scene's, from chooseScale
    Vec3 up_{0, 1, 0}, front_{0, 0, 1};  // the model's axes, from chooseAxes
    std::vector<bool> twoSided_;         // per material
    std::size_t doubleSided_ = 0;        // meshes written a second time, turned round
    CameraPlacement defaultCamera_;      // the first view's, for the default lights
    BoundingSphere sphere_;              // around corners_, once the meshes are converted
};

}  // namespace

bool writeSceneFile(const Scene& scene, const std::string& outPath, std::string& error) {
    const std::vector<std::uint8_t> bytes = writeScene(scene);
    return writeAtomically(outPath, bytes.data(), bytes.size(), error);
}

namespace {

bool convert(const aiScene* model, Assimp::Importer& importer, const std::string& modelPath,
             const ImportOptions& options, Scene& scene, ImportProgress& progress,
             std::string& error) {
    if (!model || !model->mRootNode) {
        // Removing points and lines can leave nothing: say it plainly.
        const std::string reason = importer.GetErrorString();
        if (reason.find("No meshes remaining") != std::string::npos)
            error = modelPath + ": the model holds no triangles (only points or lines)";
        else
            error = "cannot read " + modelPath + ": " + reason;
        return false;
    }
    Importer run(*model, options, fs::path(modelPath), scene, progress);
    if (!run.run(error)) {
        error = modelPath + ": " + error;
        return false;
    }
    return true;
}

}  // namespace

bool importModel(const std::string& modelPath, const ImportOptions& options, Scene& scene,
                 std::string& error) {
    ImportProgress progress;
    Assimp::Importer importer;
    prepareImporter(importer, progress);
    const aiScene* model = readModel(
        importer, [&](unsigned steps) { return importer.ReadFile(modelPath, steps); });
    return convert(model, importer, modelPath, options, scene, progress, error);
}

bool importModelFromMemory(const std::uint8_t* data, std::size_t size, const std::string& hint,
                           const ImportOptions& options, Scene& scene, std::string& error) {
    ImportProgress progress;
    Assimp::Importer importer;
    prepareImporter(importer, progress);
    const aiScene* model = readModel(importer, [&](unsigned steps) {
        return importer.ReadFileFromMemory(data, size, steps, hint.c_str());
    });
    return convert(model, importer, "model." + hint, options, scene, progress, error);
}
