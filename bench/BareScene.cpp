#include "BareScene.h"

namespace varnisk::bench {

namespace {

constexpr float kScale = 200;  // shape units to preview units, as the preview scales

}  // namespace

BareMesh meshOf(const ShapeData& shape) {
    BareMesh mesh;
    // The faces the preview draws: those of the groups, in group order.
    for (const ShapeObject& object : shape.objects) {
        for (const ShapeGroup& group : object.groups) {
            const auto first = static_cast<std::size_t>(group.firstFace());
            const auto count = static_cast<std::size_t>(group.faceCount());
            for (std::size_t f = first; f < first + count && f < object.triangles.size(); ++f) {
                for (std::int32_t vi : object.triangles[f]) {
                    const auto v = static_cast<std::size_t>(vi);
                    const auto& uv = object.texCoords[v];
                    const auto& n = object.normals[v];
                    const auto& p = object.positions[v];
                    mesh.corners.push_back({uv[0] > 10000 ? 1 : uv[0], uv[1] > 10000 ? 1 : uv[1], n[0], n[1], n[2],
                                            p[0], p[1], p[2]});
                }
            }
        }
    }
    return mesh;
}

BareMesh meshOf(const gamegen::ShapeModel& model) {
    BareMesh mesh;
    for (const gamegen::ShapeObject& object : model.objects) {
        for (const auto& face : object.faces) {
            for (std::int32_t vi : face) {
                const gamegen::ShapeVertex& v = object.vertices[static_cast<std::size_t>(vi)];
                mesh.corners.push_back({v.uv[0], v.uv[1], v.normal[0], v.normal[1], v.normal[2], v.position[0],
                                        v.position[1], v.position[2]});
            }
        }
    }
    return mesh;
}

void bareSetup() {
    glClearColor(0.85f, 0.94f, 1.0f, 0);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    const float p0[] = {-300, -3000, -1000, 0}, a0[] = {1, 1, 1, 1}, d0[] = {0.5f, 0.5f, 0.5f, 1}, s0[] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, p0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, a0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, d0);
    glLightfv(GL_LIGHT0, GL_SPECULAR, s0);
    const float p1[] = {-500, -200, -200, 1}, a1[] = {0.5f, 0.5f, 0.5f, 1}, d1[] = {0.5f, 0.5f, 0.5f, 1};
    glLightfv(GL_LIGHT1, GL_POSITION, p1);
    glLightfv(GL_LIGHT1, GL_AMBIENT, a1);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, d1);
    const float p2[] = {300, 3000, 1000, 0}, d2[] = {0.2f, 0.2f, 0.2f, 1};
    glLightfv(GL_LIGHT2, GL_POSITION, p2);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, d2);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHT2);
}

GLuint compileBareList(const BareMesh& mesh, const std::array<double, 16>& projection,
                       const std::array<float, 4>& diffuse) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection.data());
    const float specular[] = {0.4f, 0.4f, 0.4f, 1}, ambient[] = {0.1f, 0.1f, 0.1f, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 4);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.data());
    // The car's textures do not ship: the preview draws it with texturing on
    // and no texture bound, and so does this.
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glScalef(-kScale, kScale, kScale);
    glBegin(GL_TRIANGLES);
    for (const auto& c : mesh.corners) {
        glTexCoord2f(c[0], c[1]);
        glNormal3f(c[2], c[3], c[4]);
        glVertex3f(c[5], c[6], c[7]);
    }
    glEnd();
    glEndList();
    return list;
}

GLuint compileSlotCalls(GLuint listBase, const std::vector<int>& slots, const std::array<double, 16>& projection) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The preview's lists put their transforms on the projection matrix,
    // where the camera is.
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection.data());
    for (int slot : slots) glCallList(listBase + static_cast<GLuint>(slot));
    glEndList();
    return list;
}

void bareFrame(GLuint list) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(list);
}

}  // namespace varnisk::bench
