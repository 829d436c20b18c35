// tamarack-model: makes the 3DS models the engine draws.
//
//   tamarack-model convert IN OUT.3ds [--texture NAME]
//       reads IN in any format Assimp reads (OBJ, glTF/GLB, FBX, PLY, ...)
//   tamarack-model cube|sphere|torus|plane OUT.3ds [--texture NAME] [--segments N]
//       makes a shape about 2 units across, centred on the origin
//
// What was left out of a model (animations, bones, lines, further textures)
// is reported on stderr, one line each; a summary of what was written goes to
// stdout. A model that cannot be converted gives one line
// "tamarack-model: FILE: REASON" and status 1, and OUT is left as it was.
#include "assets/jpeg_encode.h"
#include "assets/tds_writer.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <cerrno>
#include <cfloat>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <png.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// One problem that stops the tool: printed as "tamarack-model: TEXT".
struct Failure {
    std::string text;
};

std::string plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool endsWith(const std::string& s, const char* end) {
    const size_t n = std::strlen(end);
    return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

bool isJpegName(const std::string& name) {
    return endsWith(name, ".jpg") || endsWith(name, ".JPG");
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string stemOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The name under which the engine finds a model's picture: the file name
// without its folder, ending in .jpg (the engine loads only JPEG pictures),
// at most 19 characters (the longest name a 3DS file holds for our reader;
// a longer stem is cut). What was changed is added to `notes`.
std::string engineTextureName(const std::string& path, std::vector<std::string>& notes) {
    const std::string base = baseName(path);
    std::string name = isJpegName(base) ? base : stemOf(base) + ".jpg";
    std::vector<std::string> why;
    if (name != base) why.push_back("the engine loads JPEG pictures only");
    if (name.size() > tds::maxName) {
        name = stemOf(name).substr(0, tds::maxName - 4) + name.substr(name.size() - 4);
        why.push_back("a 3DS file holds names of at most 19 characters");
    }
    if (!why.empty()) {
        std::string reasons = why[0];
        for (size_t i = 1; i < why.size(); ++i)
            reasons += " and " + why[i];
        notes.push_back("its texture '" + base + "' is written as '" + name + "' (" + reasons +
                        "): put that picture in data/, or choose a name with --texture");
    }
    return name;
}

// What of the model the engine cannot draw, counted on the scene as read; a
// scene without a face of three or more corners is refused.
std::vector<std::string> droppedParts(const std::string& in, const aiScene& s) {
    size_t bones = 0, lineFaces = 0, polygons = 0;
    for (unsigned i = 0; i < s.mNumMeshes; ++i) {
        const aiMesh& m = *s.mMeshes[i];
        bones += m.mNumBones;
        for (unsigned f = 0; f < m.mNumFaces; ++f)
            (m.mFaces[f].mNumIndices < 3 ? lineFaces : polygons) += 1;
    }
    if (polygons == 0 && lineFaces == 0)
        throw Failure{in + ": holds no mesh, so there is nothing to convert"};
    if (polygons == 0)
        throw Failure{in + ": holds only points and lines, no triangles, so there is nothing to convert"};
    std::vector<std::string> parts;
    if (s.mNumAnimations) parts.push_back(plural(s.mNumAnimations, "animation", "animations"));
    if (bones) parts.push_back(plural(bones, "bone", "bones"));
    if (lineFaces) parts.push_back(plural(lineFaces, "line or point", "lines and points"));
    if (s.mNumCameras) parts.push_back(plural(s.mNumCameras, "camera", "cameras"));
    if (s.mNumLights) parts.push_back(plural(s.mNumLights, "light", "lights"));
    std::vector<std::string> notes;
    if (!parts.empty()) {
        std::string list = parts[0];
        for (size_t i = 1; i < parts.size(); ++i)
            list += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
        notes.push_back("dropped " + list + ": the engine draws the triangles as they stand, unlit");
    }
    return notes;
}

// The picture a material wears, if any: its diffuse or base colour texture.
bool materialTexture(const aiMaterial& m, std::string& path) {
    aiString p;
    for (aiTextureType type : {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR})
        if (m.GetTextureCount(type) > 0 && m.GetTexture(type, 0, &p) == AI_SUCCESS && p.length > 0) {
            path = p.C_Str();
            return true;
        }
    return false;
}

// A picture held inside the model file: the file's bytes in a format of
// their own (hint "jpg", "png", ...), or texels of its own width and height.
struct Embedded {
    bool present = false;
    std::string bytes, hint;
    std::vector<uint8_t> rgb; // texels as RGB, when the file holds them so
    int width = 0, height = 0;
};

struct Converted {
    tds::Model model;
    std::string texture; // the first picture a mesh wears, as the model names it
    Embedded embedded;   // that picture, when the file holds it
    std::vector<std::string> notes;
};

Embedded embeddedPicture(const aiTexture& t) {
    Embedded e;
    e.present = true;
    if (t.mHeight == 0) { // compressed: mWidth bytes
        e.bytes.assign(reinterpret_cast<const char*>(t.pcData), t.mWidth);
        e.hint = t.achFormatHint;
        return e;
    }
    e.width = static_cast<int>(t.mWidth);
    e.height = static_cast<int>(t.mHeight);
    e.rgb.reserve(static_cast<size_t>(e.width) * e.height * 3);
    for (size_t i = 0; i < static_cast<size_t>(e.width) * e.height; ++i)
        e.rgb.insert(e.rgb.end(), {t.pcData[i].r, t.pcData[i].g, t.pcData[i].b});
    return e;
}

std::string readAll(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

bool startsWith(const std::string& s, const char* head) {
    return s.compare(0, std::strlen(head), head) == 0;
}

// The embedded picture as a JPEG file's bytes: a JPEG as it stands, a PNG or
// texels encoded (transparency dropped: the engine draws pictures opaque).
// Empty, with `why`, for a format that cannot be turned into one.
std::string embeddedJpeg(const Embedded& e, std::string& why) {
    if (startsWith(e.bytes, "\xFF\xD8\xFF")) return e.bytes;
    if (!e.rgb.empty()) return encodeJpeg(e.rgb, e.width, e.height, 92);
    if (startsWith(e.bytes, "\x89PNG")) {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        if (png_image_begin_read_from_memory(&png, e.bytes.data(), e.bytes.size())) {
            png.format = PNG_FORMAT_RGB;
            std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
            if (png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr))
                return encodeJpeg(rgb, static_cast<int>(png.width), static_cast<int>(png.height), 92);
        }
        why = std::string("its PNG cannot be read (") + png.message + ")";
        png_image_free(&png);
        return {};
    }
    why = "it is a '" + (e.hint.empty() ? std::string("unknown") : e.hint) +
          "' picture, which this tool cannot turn into a JPEG";
    return {};
}

// Reads IN with Assimp and merges every triangle of every mesh, placed by its
// node, into one model with one texture (none when --texture names it).
Converted readModel(const std::string& in, bool textureGiven) {
    struct stat st;
    if (stat(in.c_str(), &st) != 0) throw Failure{in + ": cannot read: " + std::strerror(errno)};
    if (S_ISDIR(st.st_mode)) throw Failure{in + ": is a folder, not a model file"};
    if (st.st_size == 0) throw Failure{in + ": the file is empty"};

    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // Only positions and mapping coordinates reach the file: the engine
    // lights nothing, so vertices that differ only in normal or colour are one.
    importer.SetPropertyInteger(AI_CONFIG_PP_RVC_FLAGS,
                                aiComponent_NORMALS | aiComponent_TANGENTS_AND_BITANGENTS |
                                    aiComponent_COLORS | aiComponent_BONEWEIGHTS | aiComponent_ANIMATIONS |
                                    aiComponent_LIGHTS | aiComponent_CAMERAS);
    const aiScene* scene = importer.ReadFile(in, 0);
    if (!scene) {
        std::string why = importer.GetErrorString();
        if (why.empty()) why = "unknown reason";
        throw Failure{in + ": not a model that Assimp can read (" + why + ")"};
    }
    Converted c;
    c.notes = droppedParts(in, *scene);

    // Triangles only, placed by their nodes (which drops the node tree and
    // the animations), identical corners joined, the mapping turned upside
    // down: the engine's pictures have their first row at v 0.
    scene = importer.ApplyPostProcessing(aiProcess_RemoveComponent | aiProcess_Triangulate |
                                         aiProcess_SortByPType | aiProcess_PreTransformVertices |
                                         aiProcess_GenUVCoords | aiProcess_TransformUVCoords |
                                         aiProcess_JoinIdenticalVertices | aiProcess_FlipUVs);
    if (!scene) throw Failure{in + ": cannot be converted (" + std::string(importer.GetErrorString()) + ")"};

    bool anyMapped = false;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
        anyMapped = anyMapped || scene->mMeshes[i]->HasTextureCoords(0);
    std::vector<std::string> textures;
    size_t unmapped = 0;
    tds::Model& model = c.model;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh& m = *scene->mMeshes[i];
        if (!(m.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        const uint32_t base = static_cast<uint32_t>(model.vertices.size());
        for (unsigned v = 0; v < m.mNumVertices; ++v) {
            const aiVector3D& p = m.mVertices[v];
            model.vertices.push_back({p.x, p.y, p.z});
            if (!anyMapped) continue;
            if (m.HasTextureCoords(0))
                model.mapcoords.push_back({m.mTextureCoords[0][v].x, m.mTextureCoords[0][v].y});
            else
                model.mapcoords.push_back({0.0f, 0.0f});
        }
        if (anyMapped && !m.HasTextureCoords(0)) unmapped += m.mNumVertices;
        for (unsigned f = 0; f < m.mNumFaces; ++f) {
            const aiFace& face = m.mFaces[f];
            if (face.mNumIndices != 3) continue;
            model.faces.push_back(
                {base + face.mIndices[0], base + face.mIndices[1], base + face.mIndices[2]});
        }
        std::string path;
        if (m.mMaterialIndex < scene->mNumMaterials &&
            materialTexture(*scene->mMaterials[m.mMaterialIndex], path) &&
            std::find(textures.begin(), textures.end(), path) == textures.end())
            textures.push_back(path);
    }
    if (model.faces.empty()) throw Failure{in + ": holds no triangles, so there is nothing to convert"};
    if (unmapped)
        c.notes.push_back(plural(unmapped, "vertex has", "vertices have") +
                          " no mapping coordinates; they get (0, 0)");
    if (!textures.empty()) c.texture = textures[0];
    if (textures.size() > 1 && !textureGiven) {
        std::string rest;
        for (size_t i = 1; i < textures.size(); ++i)
            rest += (i > 1 ? ", '" : "'") + textures[i] + "'";
        c.notes.push_back("the engine draws one texture per model: '" + textures[0] + "' is kept, " + rest +
                          (textures.size() > 2 ? " are" : " is") + " dropped");
    }
    if (!c.texture.empty()) {
        if (const aiTexture* t = scene->GetEmbeddedTexture(c.texture.c_str()))
            c.embedded = embeddedPicture(*t);
        if (c.embedded.present || c.texture[0] == '*') c.texture.clear();
    }
    return c;
}

// Prints what was written: objects, vertices, faces, mapping, texture, size.
void summary(const std::string& out, const std::vector<tds::Mesh>& parts) {
    size_t vertices = 0, faces = 0;
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (const tds::Mesh& m : parts) {
        vertices += m.vertices.size();
        faces += m.faces.size();
        for (const tds::Vertex& v : m.vertices) {
            const float p[3] = {v.x, v.y, v.z};
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], p[i]);
                hi[i] = std::max(hi[i], p[i]);
            }
        }
    }
    const tds::Mesh& first = parts.front();
    std::printf("%s: %s, %s, %s, %s, %s; size %g x %g x %g, centre (%g, %g, %g)\n", out.c_str(),
                plural(parts.size(), "object", "objects").c_str(),
                plural(vertices, "vertex", "vertices").c_str(),
                plural(faces, "triangle", "triangles").c_str(),
                first.mapcoords.empty() ? "no mapping coordinates" : "mapping coordinates",
                first.texture.empty() ? "no texture" : ("texture " + first.texture).c_str(), hi[0] - lo[0],
                hi[1] - lo[1], hi[2] - lo[2], (hi[0] + lo[0]) / 2, (hi[1] + lo[1]) / 2, (hi[2] + lo[2]) / 2);
}

void writeParts(const std::string& out, const std::vector<tds::Mesh>& parts) {
    const std::string why = tds::write(out, parts);
    if (!why.empty()) throw Failure{why.rfind("cannot write", 0) == 0 ? why : out + ": " + why};
}

void note(const std::string& file, const std::string& text) {
    std::fprintf(stderr, "tamarack-model: %s: %s\n", file.c_str(), text.c_str());
}

// The engine loads only models whose names end in .3ds or .3DS.
void checkOutName(const std::string& out) {
    if (!endsWith(out, ".3ds") && !endsWith(out, ".3DS"))
        note(out, "the engine loads models whose names end in .3ds or .3DS only; rename it so");
}

void convert(const std::string& in, const std::string& out, const std::string& texture) {
    Converted c = readModel(in, !texture.empty());
    std::vector<std::string> notes = c.notes;
    std::string name = texture;
    if (name.empty() && !c.texture.empty()) name = engineTextureName(c.texture, notes);
    // An embedded picture goes beside the model, as the JPEG the model names.
    std::string picture, picturePath;
    if (texture.empty() && c.embedded.present) {
        std::string why;
        picture = embeddedJpeg(c.embedded, why);
        if (picture.empty()) {
            notes.push_back("its texture is embedded in the file, but " + why +
                            ": save it as a JPEG picture in data/ and name it with --texture");
        } else {
            std::vector<std::string> ignored;
            name = engineTextureName(stemOf(baseName(out)) + ".jpg", ignored);
            const size_t slash = out.find_last_of('/');
            picturePath = (slash == std::string::npos ? std::string() : out.substr(0, slash + 1)) + name;
            struct stat st;
            if (stat(picturePath.c_str(), &st) == 0 && readAll(picturePath) != picture)
                throw Failure{picturePath + ": the model's embedded texture would be written there, but the "
                                            "file exists and holds another picture: move it away, or name "
                                            "the model's picture with --texture"};
        }
    }
    std::vector<tds::Mesh> parts = tds::split(c.model, stemOf(baseName(out)), name);
    if (parts.size() > 1) {
        size_t vertices = 0;
        for (const tds::Mesh& m : parts)
            vertices += m.vertices.size();
        notes.push_back(plural(vertices, "vertex", "vertices") + " and " +
                        plural(c.model.faces.size(), "triangle", "triangles") +
                        " are more than one 3DS object holds (65535 of each): split into " +
                        plural(parts.size(), "object", "objects"));
    }
    writeParts(out, parts);
    if (!picturePath.empty()) {
        const std::string why = tds::writeFile(picturePath, picture);
        if (!why.empty()) throw Failure{why};
        notes.push_back("its embedded texture is written as " + picturePath +
                        ", the picture the model names: keep it in data/ beside the model");
    }
    for (const std::string& n : notes)
        note(in, n);
    checkOutName(out);
    summary(out, parts);
}

// The vertices a shape of n segments has.
size_t shapeVertices(const std::string& kind, int n) {
    if (kind == "cube") return 6 * tds::sheetVertices(n, n);
    if (kind == "plane") return tds::sheetVertices(n, n);
    return tds::sheetVertices(n, std::max(n / 2, 2)); // sphere, torus
}

void makeShape(const std::string& kind, const std::string& out, const std::string& texture, int segments) {
    const int n = segments > 0 ? segments : kind == "sphere" ? 32 : kind == "torus" ? 48 : 1;
    if ((kind == "sphere" || kind == "torus") && n < 3)
        throw Failure{out + ": a " + kind + " needs at least 3 segments"};
    if (shapeVertices(kind, n) > tds::maxCount) {
        int most = n;
        while (most > 1 && shapeVertices(kind, most) > tds::maxCount)
            --most;
        throw Failure{out + ": a " + kind + " of " + std::to_string(n) + " segments has " +
                      std::to_string(shapeVertices(kind, n)) +
                      " vertices, more than the 65535 one 3DS object holds: use at most " +
                      std::to_string(most)};
    }
    const std::string name = stemOf(baseName(out)).substr(0, tds::maxName);
    const int half = std::max(n / 2, 2);
    tds::Mesh m = kind == "cube"     ? tds::cube(name, texture, 2.0f, n)
                  : kind == "plane"  ? tds::plane(name, texture, 2.0f, n)
                  : kind == "sphere" ? tds::sphere(name, texture, 1.0f, n, half)
                                     : tds::torus(name, texture, 0.72f, 0.28f, n, half, 3, 1);
    const std::vector<tds::Mesh> parts{m};
    writeParts(out, parts);
    checkOutName(out);
    summary(out, parts);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Makes 3DS models for Tamarack: converts a model from the formats Assimp reads (OBJ, "
                 "glTF/GLB, FBX, PLY, ...) or makes a shape about 2 units across, centred on the origin.",
                 "tamarack-model"};
    app.require_subcommand(1);
    std::string in, out, texture;
    int segments = 0;
    auto textureName = [](const std::string& t) -> std::string {
        if (t.size() > tds::maxName) return "at most 19 characters, as a 3DS file holds";
        if (!isJpegName(t))
            return "the name of a JPEG picture (.jpg or .JPG), the only pictures the engine loads";
        return "";
    };
    const char* textureHelp =
        "File name of the picture in data/ that the model wears (a .jpg name of at most "
        "19 characters)";

    auto* conv = app.add_subcommand("convert", "Convert the model IN into the 3DS file OUT");
    conv->add_option("IN", in, "Model file (OBJ, glTF, GLB, FBX, PLY, ...)")->required();
    conv->add_option("OUT", out, "3DS file to write")->required();
    conv->add_option("--texture", texture, std::string(textureHelp) + " instead of the model's own")
        ->check(textureName);

    std::string shape;
    const std::pair<const char*, const char*> shapes[] = {
        {"cube", "A cube of side 2, the picture on each face (--segments: cells along an edge, default 1)"},
        {"sphere", "A sphere of radius 1, the picture wrapped once around (--segments: around, default 32)"},
        {"torus", "A torus 2 across in the xy plane (--segments: around the ring, default 48)"},
        {"plane", "A 2 x 2 square facing the camera, the picture upright (--segments: cells along an edge)"},
    };
    for (const auto& s : shapes) {
        auto* sub = app.add_subcommand(s.first, s.second);
        sub->add_option("OUT", out, "3DS file to write")->required();
        sub->add_option("--texture", texture, textureHelp)->check(textureName);
        sub->add_option("--segments", segments, "Number of segments")->check(CLI::Range(1, 1000));
        sub->callback([&shape, s] { shape = s.first; });
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "tamarack-model: %s\n%s", e.what(), app.help().c_str());
        return 2;
    }
    try {
        if (conv->parsed())
            convert(in, out, texture);
        else
            makeShape(shape, out, texture, segments);
    } catch (const Failure& f) {
        std::fprintf(stderr, "tamarack-model: %s\n", f.text.c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamarack-model: %s: %s\n", in.empty() ? out.c_str() : in.c_str(), e.what());
        return 1;
    }
    return 0;
}
