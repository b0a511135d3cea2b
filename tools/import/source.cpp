#include "source.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/importerdesc.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <sstream>

namespace walkers::import {
namespace {

// The common 3D formats; Assimp's other readers are not offered a file.
constexpr const char* FORMATS =
    "gltf glb fbx dae zae obj md2 md3 md5mesh bvh x 3ds ply stl off lwo ms3d b3d smd ac ase";

// The material Assimp gives the stand-in mesh it builds for a bare skeleton.
constexpr const char* SKELETON_MATERIAL = "SkeletonMaterial";
// What an MD2 without a skin names as its texture.
constexpr const char* NO_SKIN = "$texture_dummy.bmp";

constexpr unsigned READ_STEPS = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                aiProcess_SortByPType | aiProcess_FlipUVs |
                                aiProcess_ValidateDataStructure;

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool is_supported(const std::string& extensions) {
    std::istringstream in(extensions);
    const std::string formats = std::string(" ") + FORMATS + " ";
    for (std::string e; in >> e;)
        if (formats.find(" " + lower(e) + " ") != std::string::npos) return true;
    return false;
}

// An importer offering the file to the supported readers only. Assimp hands an
// unregistered reader back to its caller, who deletes it.
void keep_supported_readers(Assimp::Importer& importer) {
    std::vector<Assimp::BaseImporter*> others;
    for (std::size_t i = 0; i < importer.GetImporterCount(); ++i)
        if (!is_supported(importer.GetImporterInfo(i)->mFileExtensions))
            others.push_back(importer.GetImporter(i));
    for (Assimp::BaseImporter* reader : others) {
        importer.UnregisterLoader(reader);
        delete reader;
    }
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
}

std::string one_line(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text.empty() ? "no reason given" : text;
}

Affine affine(const aiMatrix4x4& m) {
    Affine a;
    a.linear.m = {{{m.a1, m.a2, m.a3}, {m.b1, m.b2, m.b3}, {m.c1, m.c2, m.c3}}};
    a.offset = {m.a4, m.b4, m.c4};
    return a;
}

Vec3 vec(const aiVector3D& v) {
    return {v.x, v.y, v.z};
}

Quat quat(const aiQuaternion& q) {
    return {q.w, q.x, q.y, q.z};
}

struct Reader {
    const aiScene& scene;
    SourceScene& out;
    std::map<std::string, int32_t> node_by_name; // first node of each file name
    std::vector<const aiNode*> ai_nodes;         // parallel to out.nodes

    void read_nodes(const aiNode* node, int32_t parent, const Affine& parent_global);
    void read_materials();
    void read_meshes();
    void read_mesh(const aiMesh& mesh, int32_t node);
    void read_clips();
    std::optional<Picture> picture(const aiMaterial& material, std::string& missing);
};

void Reader::read_nodes(const aiNode* node, int32_t parent, const Affine& parent_global) {
    SourceNode n;
    n.name = node->mName.C_Str();
    n.parent = parent;
    aiVector3D scale, position;
    aiQuaternion rotation;
    node->mTransformation.Decompose(scale, rotation, position);
    n.position = vec(position);
    n.rotation = quat(rotation);
    n.scale = vec(scale);
    n.local = affine(node->mTransformation);
    n.global = compose(parent_global, n.local);
    const auto index = static_cast<int32_t>(out.nodes.size());
    node_by_name.emplace(n.name, index);
    out.nodes.push_back(std::move(n));
    ai_nodes.push_back(node);
    for (unsigned c = 0; c < node->mNumChildren; ++c)
        read_nodes(node->mChildren[c], index, out.nodes[static_cast<std::size_t>(index)].global);
}

// Names must tell parts apart in messages and files: an empty root takes the
// model's name, other empty or repeated ones the node's number.
void make_names_unique(std::vector<SourceNode>& nodes, const std::string& model) {
    std::set<std::string> seen;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        std::string& name = nodes[i].name;
        if (name.empty() && i == 0 && !model.empty()) name = model;
        if (name.empty() || !seen.insert(name).second) {
            name = (name.empty() ? "node" : name) + "#" + std::to_string(i);
            seen.insert(name);
        }
    }
}

std::array<uint8_t, 3> colour_byte(const aiColor4D& c) {
    const auto byte = [](float v) {
        return static_cast<uint8_t>(std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f) * 255.0f +
                                    0.5f);
    };
    return {byte(c.r), byte(c.g), byte(c.b)};
}

// A picture beside the model whose name begins with the model's own, for a
// model whose texture file is not there (an MD2 names none).
std::optional<std::filesystem::path> picture_beside(const std::filesystem::path& model) {
    static const std::set<std::string> pictures = {".png", ".jpg", ".jpeg", ".tga",
                                                   ".bmp", ".pcx", ".gif",  ".psd"};
    std::error_code ec;
    const std::string stem = lower(model.stem().string());
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(model.parent_path(), ec)) {
        const std::filesystem::path& p = entry.path();
        if (pictures.count(lower(p.extension().string())) &&
            lower(p.stem().string()).rfind(stem, 0) == 0)
            found.push_back(p);
    }
    if (found.empty()) return std::nullopt;
    std::sort(found.begin(), found.end());
    return found.front();
}

// A texture's file, relative to the model: as written, then its bare name.
std::optional<std::filesystem::path> texture_file(const std::filesystem::path& model,
                                                  std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path dir = model.parent_path();
    std::error_code ec;
    for (const std::filesystem::path& p :
         {dir / name, dir / std::filesystem::path(name).filename()})
        if (std::filesystem::is_regular_file(p, ec)) return p;
    return std::nullopt;
}

std::optional<Picture> Reader::picture(const aiMaterial& material, std::string& missing) {
    aiString name;
    if (material.GetTexture(aiTextureType_BASE_COLOR, 0, &name) != AI_SUCCESS &&
        material.GetTexture(aiTextureType_DIFFUSE, 0, &name) != AI_SUCCESS)
        return std::nullopt;
    Picture p;
    p.label = name.C_Str();
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(name.C_Str())) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(embedded->pcData);
        if (embedded->mHeight == 0) {
            p.encoded.assign(bytes, bytes + embedded->mWidth);
        } else {
            p.width = static_cast<int32_t>(embedded->mWidth);
            p.height = static_cast<int32_t>(embedded->mHeight);
            const std::size_t texels = std::size_t{embedded->mWidth} * embedded->mHeight;
            for (std::size_t i = 0; i < texels; ++i) { // aiTexel is b, g, r, a
                const aiTexel& t = embedded->pcData[i];
                p.rgba.insert(p.rgba.end(), {t.r, t.g, t.b, t.a});
            }
        }
        p.label = "embedded texture " + p.label;
        return p;
    }
    if (out.file.empty()) {
        missing = p.label;
        return std::nullopt;
    }
    std::optional<std::filesystem::path> file = texture_file(out.file, p.label);
    if (!file) file = picture_beside(out.file);
    if (!file) {
        if (p.label != NO_SKIN) missing = p.label;
        return std::nullopt;
    }
    p.file = *file;
    p.label = file->filename().string();
    return p;
}

void Reader::read_materials() {
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
        const aiMaterial& m = *scene.mMaterials[i];
        SourceMaterial s;
        s.name = m.GetName().C_Str();
        aiColor4D colour;
        if (m.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS ||
            m.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS)
            s.colour = colour_byte(colour);
        s.picture = picture(m, s.missing_picture);
        out.materials.push_back(std::move(s));
    }
}

// A skinned vertex: the normalised weighted sum of its bones' placements.
struct Skin {
    std::vector<Affine> bone_placement; // bone node's global x offset matrix
    std::vector<int32_t> bone_node;
    // Per vertex: (bone, weight) pairs.
    std::vector<std::vector<std::pair<int32_t, double>>> weights;
};

Skin skin_of(const aiMesh& mesh, const std::vector<SourceNode>& nodes,
             const std::map<std::string, int32_t>& node_by_name) {
    Skin skin;
    skin.weights.resize(mesh.mNumVertices);
    for (unsigned b = 0; b < mesh.mNumBones; ++b) {
        const aiBone& bone = *mesh.mBones[b];
        const auto it = node_by_name.find(bone.mName.C_Str());
        if (it == node_by_name.end()) continue; // a bone without a node carries nothing
        const auto index = static_cast<int32_t>(skin.bone_node.size());
        skin.bone_node.push_back(it->second);
        skin.bone_placement.push_back(compose(nodes[static_cast<std::size_t>(it->second)].global,
                                              affine(bone.mOffsetMatrix)));
        for (unsigned w = 0; w < bone.mNumWeights; ++w) {
            const aiVertexWeight& vw = bone.mWeights[w];
            if (vw.mVertexId < mesh.mNumVertices && vw.mWeight > 0 && std::isfinite(vw.mWeight))
                skin.weights[vw.mVertexId].emplace_back(index, vw.mWeight);
        }
    }
    return skin;
}

Vec3 skinned(const Skin& skin, unsigned vertex, Vec3 v, const Affine& unskinned) {
    double total = 0;
    Vec3 sum;
    for (const auto& [bone, w] : skin.weights[vertex]) {
        sum = sum + w * apply(skin.bone_placement[static_cast<std::size_t>(bone)], v);
        total += w;
    }
    return total > 0 ? (1 / total) * sum : apply(unskinned, v);
}

// The bone with the most weight over a face's corners, or -1 for none.
int32_t heaviest_bone(const Skin& skin, const aiFace& face) {
    std::map<int32_t, double> total;
    for (unsigned k = 0; k < 3; ++k)
        for (const auto& [bone, w] : skin.weights[face.mIndices[k]])
            total[bone] += w;
    int32_t best = -1;
    double most = 0;
    for (const auto& [bone, w] : total)
        if (w > most) {
            most = w;
            best = bone;
        }
    return best;
}

void Reader::read_mesh(const aiMesh& mesh, int32_t node) {
    const Affine& placement = out.nodes[static_cast<std::size_t>(node)].global;
    const Skin skin = skin_of(mesh, out.nodes, node_by_name);
    std::vector<Vec3> world(mesh.mNumVertices);
    for (unsigned v = 0; v < mesh.mNumVertices; ++v)
        world[v] = skinned(skin, v, vec(mesh.mVertices[v]), placement);
    const aiVector3D* uv = mesh.mTextureCoords[0];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        SourceTriangle t;
        bool ok = true;
        for (unsigned k = 0; k < 3; ++k) {
            const unsigned i = face.mIndices[k];
            t.corner[k] = world[i];
            ok = ok && finite(t.corner[k]);
            if (uv) t.uv[k] = {uv[i].x, uv[i].y};
        }
        if (!ok) {
            ++out.non_finite_triangles;
            continue;
        }
        t.material = static_cast<int32_t>(mesh.mMaterialIndex);
        const int32_t bone = heaviest_bone(skin, face);
        t.owner = bone < 0 ? node : skin.bone_node[static_cast<std::size_t>(bone)];
        out.triangles.push_back(t);
    }
}

void Reader::read_meshes() {
    for (std::size_t n = 0; n < ai_nodes.size(); ++n) {
        const aiNode& node = *ai_nodes[n];
        for (unsigned i = 0; i < node.mNumMeshes; ++i) {
            const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
            SourceMeshInfo& info = out.meshes[node.mMeshes[i]];
            if (info.node < 0) info.node = static_cast<int32_t>(n);
            if (scene.mMaterials[mesh.mMaterialIndex]->GetName() != aiString(SKELETON_MATERIAL))
                read_mesh(mesh, static_cast<int32_t>(n));
        }
    }
}

void Reader::read_clips() {
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& anim = *scene.mAnimations[a];
        SourceClip clip;
        clip.name = anim.mName.length > 0 ? anim.mName.C_Str() : "clip " + std::to_string(a);
        clip.ticks_per_second = anim.mTicksPerSecond > 0 && std::isfinite(anim.mTicksPerSecond)
                                    ? anim.mTicksPerSecond
                                    : 25.0;
        clip.duration_ticks = std::isfinite(anim.mDuration) ? std::max(anim.mDuration, 0.0) : 0.0;
        for (unsigned c = 0; c < anim.mNumChannels; ++c) {
            const aiNodeAnim& ch = *anim.mChannels[c];
            const auto it = node_by_name.find(ch.mNodeName.C_Str());
            if (it == node_by_name.end()) continue;
            Channel channel{it->second, {}, {}, {}};
            for (unsigned k = 0; k < ch.mNumPositionKeys; ++k)
                channel.position.push_back(
                    {ch.mPositionKeys[k].mTime, vec(ch.mPositionKeys[k].mValue)});
            for (unsigned k = 0; k < ch.mNumRotationKeys; ++k)
                channel.rotation.push_back(
                    {ch.mRotationKeys[k].mTime, quat(ch.mRotationKeys[k].mValue)});
            for (unsigned k = 0; k < ch.mNumScalingKeys; ++k)
                channel.scaling.push_back(
                    {ch.mScalingKeys[k].mTime, vec(ch.mScalingKeys[k].mValue)});
            clip.channels.push_back(std::move(channel));
        }
        out.clips.push_back(std::move(clip));
    }
}

SourceScene convert(const aiScene& scene, const std::filesystem::path& file,
                    const std::string& extension) {
    SourceScene out;
    out.file = file;
    out.extension = lower(extension);
    if (!scene.mRootNode) throw ImportError("the file holds no scene");
    Reader reader{scene, out, {}, {}};
    reader.read_nodes(scene.mRootNode, -1, Affine{});
    reader.read_materials();
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        const aiMesh& m = *scene.mMeshes[i];
        out.meshes.push_back({m.mName.C_Str(), static_cast<int32_t>(m.mNumVertices),
                              static_cast<int32_t>(m.mNumFaces), static_cast<int32_t>(m.mNumBones),
                              static_cast<int32_t>(m.mMaterialIndex), -1});
        for (unsigned b = 0; b < m.mNumBones; ++b)
            out.bones.push_back(m.mBones[b]->mName.C_Str());
    }
    std::sort(out.bones.begin(), out.bones.end());
    out.bones.erase(std::unique(out.bones.begin(), out.bones.end()), out.bones.end());
    reader.read_meshes();
    out.skeleton_only = out.triangles.empty() && out.non_finite_triangles == 0 &&
                        scene.mNumMeshes > 0 &&
                        std::all_of(out.meshes.begin(), out.meshes.end(), [&](const auto& m) {
                            return std::string(scene.mMaterials[m.material]->GetName().C_Str()) ==
                                   SKELETON_MATERIAL;
                        });
    reader.read_clips();
    make_names_unique(out.nodes, file.stem().string());
    return out;
}

} // namespace

SourceScene read_model_file(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) throw ImportError("no such file");
    Assimp::Importer importer;
    keep_supported_readers(importer);
    const aiScene* scene = importer.ReadFile(file.string(), READ_STEPS);
    if (!scene) throw ImportError("cannot be read: " + one_line(importer.GetErrorString()));
    std::string extension = file.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    return convert(*scene, file, extension);
}

SourceScene read_model_memory(std::span<const uint8_t> bytes, const std::string& hint) {
    Assimp::Importer importer;
    keep_supported_readers(importer);
    const aiScene* scene = bytes.empty() ? nullptr
                                         : importer.ReadFileFromMemory(bytes.data(), bytes.size(),
                                                                       READ_STEPS, hint.c_str());
    if (!scene)
        throw ImportError("cannot be read: " + one_line(bytes.empty() ? "the file is empty"
                                                                      : importer.GetErrorString()));
    return convert(*scene, {}, hint);
}

} // namespace walkers::import
