#include "preview/ShapeLoader.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "archive/Archive.h"
#include "base/CodePage.h"
#include "base/Errors.h"
#include "core/Editor.h"
#include "files/GameFiles.h"

namespace varnisk {

namespace {

constexpr float kS = 200;  // shape units to preview units

// A shape is first read as long as its directory entry says; when it runs on
// past that, up to the archive's end, but never more than this (the largest
// car shapes are a few megabytes; a damaged count must not read the archive).
constexpr std::uint64_t kMaxShapeRead = 64ull << 20;

// Deletes the textures of a compile, each once: names of the same file share
// one texture.
void releaseTextures(Gl& gl, TextureBudget& budget, CompiledShape& shape) {
    std::vector<GLuint> made;
    for (GLuint& t : shape.textures) {
        if (t != 0) made.push_back(t);
        t = 0;
    }
    std::sort(made.begin(), made.end());
    made.erase(std::unique(made.begin(), made.end()), made.end());
    for (GLuint t : made) {
        gl.deleteTexture(t);
        budget.release(t);
    }
}

void material(Gl& gl, GLenum pname, std::array<float, 4> v) { gl.materialfv(GL_FRONT_AND_BACK, pname, v.data()); }

// Reads and decodes the entry at EntryOffset; nullopt (with the message
// shown) when it is no shape the preview can draw.
std::optional<ShapeData> readShape(Ui& say, const SceneState& scene, const std::string& path) {
    ByteFile archive(path, ByteFile::Mode::ReadOnly);
    const std::uint64_t size = archive.size();
    const std::uint64_t offset = scene.EntryOffset;
    const std::string what = scene.RequestedName + " in " + fileNameOf(path);
    if (offset >= size) {
        say.message(what + " is damaged: its data would start past the archive's end. "
                                 "The preview keeps the shape it had.");
        return std::nullopt;
    }
    const std::uint64_t left = std::min(size - offset, kMaxShapeRead);
    std::uint64_t take = std::min<std::uint64_t>(std::max<std::uint64_t>(scene.EntrySize, 14), left);
    for (;;) {
        const std::vector<std::uint8_t> bytes = archive.read(offset, static_cast<std::size_t>(take));
        ShapeDecodeResult r = decodeShape(bytes);
        if (r.status == ShapeDecodeResult::Status::Truncated && take < left) {
            take = left;  // the entry runs on past the size its directory gives
            continue;
        }
        switch (r.status) {
        case ShapeDecodeResult::Status::Ok: return std::move(r.shape);
        case ShapeDecodeResult::Status::NotAShape:
            say.message("Sorry but this tool can't edit flashlights .gp4 files");
            return std::nullopt;
        case ShapeDecodeResult::Status::Truncated:
            say.message(what + " is damaged: it ends before the shape does (" + r.problem +
                              "). The preview keeps the shape it had.");
            return std::nullopt;
        case ShapeDecodeResult::Status::Damaged:
            say.message(what + " is damaged: " + r.problem + ". The preview keeps the shape it had.");
            return std::nullopt;
        }
        return std::nullopt;
    }
}

std::string storedLookupName(StoredName stored) {
    return lookupName(std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size()));
}

// The first entry of the archive at `path` whose look-up name is `wanted`.
// The directory is read once and kept (scene.wadIndex) while the file's
// stamp stays; a kept one that no longer matches the file is read again.
std::optional<ArchiveEntry> findInArchive(SceneState& scene, const std::string& path, const std::string& wanted) {
    ByteFile archive(path, ByteFile::Mode::ReadOnly);
    std::optional<ArchiveIndex>& index = scene.wadIndex;
    const bool kept = index && index->readFrom(path, archive.stamp());
    if (kept) {
        ArchiveIndex::Found found = index->find(archive, wanted);
        if (!found.changed) return std::move(found.entry);
    }
    index.reset();  // a directory that cannot be read is not kept
    index.emplace(archive, path, storedLookupName);
    return index->find(archive, wanted).entry;
}

}  // namespace

std::string lookupName(std::string_view name) {
    std::string text;
    text.reserve(name.size());
    for (char c : name) {
        if (c != '\0') text.push_back(c);
    }
    const std::size_t cut = text.rfind('\\');
    if (cut != std::string::npos) text.erase(0, cut + 1);
    return lowerCp1252(text);
}

std::string shapeTexturePath(const std::string& folder, const std::string& textureName) {
    const std::string bare = fileNameOf(textureName);
    const std::string stem = bare.size() >= 3 ? bare.substr(0, bare.size() - 3) : std::string();
    return joinPath(folder, stem + "tga");
}

void loadWadShape(const Editor& editor, SceneState& scene, Gl& gl, Ui& say, const std::string& path,
                  const std::string& entryName, int slot) {
    scene.ShapeSlot = slot;
    scene.RequestedName = entryName;
    scene.WadPath = path;
    ShapeLookup lookup{entryName, slot, false, scene.EntryOffset, scene.EntrySize};
    // No archive: the frame that asked for the shape said so.
    if (path.empty() || !fileExists(path)) {
        scene.lookups.push_back(lookup);
        return;
    }
    // An archive that cannot be read (damaged, cut short, no permission) is
    // said once for this look-up; the frame is still drawn, and the next
    // frames, which look nothing up, draw without a word.
    auto unreadable = [&](const FileError& e) {
        say.message(std::string(e.what()) + " Car shapes won't be displayed.");
    };
    const std::string wanted = lookupName(entryName);
    std::optional<ArchiveEntry> entry;
    try {
        entry = findInArchive(scene, path, wanted);
    } catch (const FileError& e) {
        unreadable(e);
        scene.lookups.push_back(lookup);
        return;
    }
    if (!entry) {
        // The archive has no such shape (a team whose name names no car in
        // it, as the built-in names after "Default All"): the slot draws
        // nothing, rather than the shape it held for another car.
        if (auto old = scene.shapes.find(slot); old != scene.shapes.end()) {
            releaseTextures(gl, scene.textureBudget, old->second);
            scene.shapes.erase(old);
        }
        gl.newList(scene.ListBase + static_cast<GLuint>(slot), GL_COMPILE);
        gl.endList();
        scene.lookups.push_back(lookup);
        return;
    }
    scene.EntryOffset = entry->offset;
    scene.EntrySize = entry->size;
    lookup.found = true;
    lookup.offset = entry->offset;
    lookup.size = entry->size;
    scene.lookups.push_back(lookup);

    std::optional<ShapeData> shape;
    try {
        shape = readShape(say, scene, path);
    } catch (const FileError& e) {
        unreadable(e);
    }
    if (!shape) return;
    CompiledShape fresh;
    fresh.entry = entryName;
    fresh.shape = std::move(*shape);
    compileShape(editor, scene, gl, say, slot, std::move(fresh));
}

void compileShape(const Editor& editor, SceneState& scene, Gl& gl, Ui& say, int slot, CompiledShape fresh) {
    const PreviewState& p = editor.preview;
    if (auto old = scene.shapes.find(slot); old != scene.shapes.end())
        releaseTextures(gl, scene.textureBudget, old->second);

    // The textures, each name mapped to a .tga file of the same stem. A file
    // is looked at and loaded once, however many names map to it: they share
    // its texture (and what was said about it is said once).
    struct Loaded {
        GLuint texture = 0;
        bool flip = false;
        bool exists = false;
    };
    std::unordered_map<std::string, Loaded> files;
    auto load = [&](const std::string& file) -> const Loaded& {
        auto [it, added] = files.try_emplace(file);
        Loaded& l = it->second;
        if (!added) return l;
        l.exists = fileExists(file);
        if (l.exists) loadTgaTexture(gl, say, file, l.texture, &l.flip, &scene.textureBudget);
        return l;
    };
    ShapeData& shape = fresh.shape;
    const std::size_t count = shape.textures.size();
    fresh.textures.assign(count + 1, 0);
    fresh.flipV.assign(count, false);
    fresh.fileExists.assign(count, false);
    for (std::size_t k = 0; k < count; ++k) {
        const Loaded& l = load(shapeTexturePath(scene.textureFolder, shape.textures[k]));
        fresh.fileExists[k] = l.exists;
        fresh.textures[k] = l.texture;
        fresh.flipV[k] = l.flip;
    }
    fresh.textures[count] = load(joinPath(scene.textureFolder, "new_steering_wheel_displays.tga")).texture;

    const bool dashboard = slot == kSlotDashboard;
    const bool cockpit = p.CockpitView;
    const float d0 = editor.game.cockpit[0], d1 = editor.game.cockpit[1], d2 = editor.game.cockpit[2];

    gl.newList(scene.ListBase + static_cast<GLuint>(slot), GL_COMPILE);
    if (dashboard) {
        material(gl, GL_SPECULAR, {1, 1, 1, 1});
        gl.materialf(GL_FRONT_AND_BACK, GL_SHININESS, 4);
        material(gl, GL_AMBIENT, {1, 1, 1, 1});
    } else {
        material(gl, GL_SPECULAR, {0.4f, 0.4f, 0.4f, 1});
        gl.materialf(GL_FRONT_AND_BACK, GL_SHININESS, 4);
        material(gl, GL_AMBIENT, {0.1f, 0.1f, 0.1f, 1});
    }
    gl.enable(GL_TEXTURE_2D);
    if (dashboard) gl.enable(GL_ALPHA_TEST);
    else gl.disable(GL_ALPHA_TEST);
    if (cockpit) gl.translate(0, -18, 170);
    if (dashboard) gl.translate(0.6f - kS * d0, kS * d1 + 3, 100 * d2 - 5);
    gl.scale(-kS, kS, kS);

    for (ShapeObject& object : shape.objects) {
        for (const ShapeGroup& group : object.groups) {
            const std::int32_t index = group.textureIndex();
            const bool known = index >= 0 && static_cast<std::size_t>(index) < count;
            const auto k = static_cast<std::size_t>(index);
            gl.bindTexture(GL_TEXTURE_2D, dashboard ? fresh.textures[count] : (known ? fresh.textures[k] : 0));
            gl.begin(GL_TRIANGLES);
            material(gl, GL_DIFFUSE, known && fresh.fileExists[k] ? std::array<float, 4>{1, 1, 1, 1} : p.ArmMaterial);
            const bool flip = known && fresh.flipV[k];
            const auto first = static_cast<std::size_t>(group.firstFace());
            const auto faces = static_cast<std::size_t>(group.faceCount());
            for (std::size_t f = first; f < first + faces; ++f) {
                for (std::int32_t vi : object.triangles[f]) {
                    const auto v = static_cast<std::size_t>(vi);
                    auto& uv = object.texCoords[v];
                    if (uv[0] > 10000) uv[0] = 1;
                    if (uv[1] > 10000) uv[1] = 1;
                    gl.texCoord(uv[0], flip ? 1 - uv[1] : uv[1]);
                    const auto& n = object.normals[v];
                    gl.normal(n[0], n[1], n[2]);
                    const auto& pos = object.positions[v];
                    gl.vertex(pos[0], pos[1], pos[2]);
                }
            }
            gl.end();
        }
    }

    gl.scale(-1 / kS, 1 / kS, 1 / kS);
    if (cockpit) gl.translate(0, 18, -170);
    if (dashboard) {
        gl.translate(kS * d0 - 0.6f, 3 - kS * d1, 5 - 100 * d2);
        gl.disable(GL_ALPHA_TEST);
    }
    gl.endList();
    scene.shapes[slot] = std::move(fresh);
}

void releaseShapes(SceneState& scene, Gl& gl) {
    for (auto& [slot, shape] : scene.shapes) releaseTextures(gl, scene.textureBudget, shape);
    scene.shapes.clear();
}

}  // namespace varnisk
