// The door's matrices against the driver's: every operation the player
// uses, in long random sequences, must leave the door's matrices equal bit
// for bit to what the fixed-function driver builds from the same calls
// made to it directly (both renderers draw from the door's). Also the
// stack limits, and the matrices a draw hands the driver.
#include "GLWindow.h"
#include "gfx/Gfx.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

gfx::Matrix4 driverMatrix(GLenum which) {
    gfx::Matrix4 m;
    glGetFloatv(which, m.m.data());
    return m;
}

// Bitwise, so that -0 and 0 or NaNs are told apart as a driver would.
bool sameBits(const gfx::Matrix4& a, const gfx::Matrix4& b) {
    return std::memcmp(a.m.data(), b.m.data(), sizeof a.m) == 0;
}

std::string show(const gfx::Matrix4& m) {
    std::string s;
    for (float v : m.m) s += std::to_string(v) + " ";
    return s;
}

class DoorMatrices : public testing::Test {
protected:
    static void SetUpTestSuite() { window_ = std::make_unique<GLWindow>(32, 32); }
    static void TearDownTestSuite() { window_.reset(); }
    void SetUp() override {
        if (!testsupport::fixedFunctionDriver())
            GTEST_SKIP() << "compares the door's matrices with the fixed-function driver's "
                            "own stacks; the shader renderer has none (the door's matrices are "
                            "the same code under either renderer)";
        ASSERT_TRUE(window_->ok()) << window_->error();
        ASSERT_TRUE(window_->installBackend()) << window_->error();
        for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
            glMatrixMode(mode);
            glLoadIdentity();
        }
    }
    static std::unique_ptr<GLWindow> window_;
};

std::unique_ptr<GLWindow> DoorMatrices::window_;

TEST_F(DoorMatrices, EveryOperationEqualsTheDriversBitForBit) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    std::uniform_real_distribution<float> angle(-720.0f, 720.0f);
    std::uniform_int_distribution<int> pick(0, 11);
    const float axes[][3] = {{0, 0, 1},  {0, 0, -1}, {0, 1, 0},     {0, -1, 0}, {1, 0, 0},
                             {-1, 0, 0}, {1, 1, 0},  {0.3f, -2, 5}, {0, 0, 0},  {1e-5f, 0, 1e-5f}};
    for (int round = 0; round < 200; ++round) {
        const bool projection = round % 3 == 0;
        gfx::matrixMode(projection ? gfx::MatrixMode::projection : gfx::MatrixMode::modelView);
        glMatrixMode(projection ? GL_PROJECTION : GL_MODELVIEW);
        gfx::loadIdentity();
        glLoadIdentity();
        // The door keeps 4 projection matrices, the driver more: pushes
        // beyond the door's are left out on both sides.
        int depth = 1;
        const int most = projection ? 4 : 32;
        for (int step = 0; step < 12; ++step) {
            const float a = value(random), b = value(random), c = value(random);
            switch (pick(random)) {
            case 0:
                gfx::translate(a, b, c);
                glTranslatef(a, b, c);
                break;
            case 1:
                gfx::scale(a / 10, b / 10, 1.0f);
                glScalef(a / 10, b / 10, 1.0f);
                break;
            case 2:
            case 3: {
                const float* axis = axes[static_cast<unsigned>(random()) % 10];
                const float degrees = angle(random);
                gfx::rotate(degrees, axis[0], axis[1], axis[2]);
                glRotatef(degrees, axis[0], axis[1], axis[2]);
                break;
            }
            case 4:
                gfx::rotate(0.0f, 0, 0, 1);
                glRotatef(0.0f, 0, 0, 1);
                break;
            case 5:
                gfx::ortho(a, a + 1 + std::abs(b), -c, -c + 3, -1, 1);
                glOrtho(a, a + 1 + std::abs(b), -c, -c + 3, -1, 1);
                break;
            case 6:
                gfx::perspective(std::abs(a) + 1, 1.25 + b / 100, 0.1, 1000);
                gluPerspective(std::abs(a) + 1, 1.25 + b / 100, 0.1, 1000);
                break;
            case 7: {
                gfx::Matrix4 m;
                for (float& v : m.m) v = value(random) / 25;
                gfx::multMatrix(m);
                glMultMatrixf(m.m.data());
                break;
            }
            case 8:
                gfx::pushMatrix();
                if (depth < most) {
                    glPushMatrix();
                    ++depth;
                }
                break;
            case 9:
                gfx::popMatrix();
                if (depth > 1) {
                    glPopMatrix();
                    --depth;
                }
                break;
            case 10: {
                gfx::Matrix4 m;
                m.m[12] = a;
                gfx::loadMatrix(m);
                glLoadMatrixf(m.m.data());
                break;
            }
            default:
                gfx::translate(0.5f, -0.25f, 0.0f);
                glTranslatef(0.5f, -0.25f, 0.0f);
                break;
            }
        }
        for (auto [mode, name] : {std::pair{gfx::MatrixMode::modelView, GL_MODELVIEW_MATRIX},
                                  std::pair{gfx::MatrixMode::projection, GL_PROJECTION_MATRIX}}) {
            const gfx::Matrix4 driver = driverMatrix(name);
            ASSERT_TRUE(sameBits(gfx::matrix(mode), driver))
                << "round " << round << "\n door   " << show(gfx::matrix(mode)) << "\n driver "
                << show(driver);
        }
        // Unwind what the round pushed.
        for (int i = 0; i < 40; ++i) gfx::popMatrix();
        for (; depth > 1; --depth) glPopMatrix();
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A push beyond the stack's depth and a pop of its last matrix are refused;
// a draw hands the driver the door's matrices as they are then.
TEST_F(DoorMatrices, StackLimitsAndTheMatricesADrawHandsOver) {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    gfx::loadIdentity();
    for (int i = 0; i < 10; ++i) {
        gfx::pushMatrix();
        gfx::translate(1.0f, 0.0f, 0.0f);
    }
    EXPECT_EQ(gfx::matrix(gfx::MatrixMode::projection).at(0, 3), 10.0f) << "pushes past 4 refused";
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::rotate(30.0f, 0.0f, 0.0f, 1.0f);
    gfx::begin(gfx::Primitive::points);
    gfx::vertex(0.0f, 0.0f);
    gfx::end();
    EXPECT_TRUE(
        sameBits(gfx::matrix(gfx::MatrixMode::projection), driverMatrix(GL_PROJECTION_MATRIX)));
    EXPECT_TRUE(
        sameBits(gfx::matrix(gfx::MatrixMode::modelView), driverMatrix(GL_MODELVIEW_MATRIX)));
    gfx::matrixMode(gfx::MatrixMode::projection);
    for (int i = 0; i < 10; ++i) gfx::popMatrix();
    EXPECT_EQ(gfx::matrix(gfx::MatrixMode::projection).at(0, 3), 0.0f);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    gfx::loadIdentity();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
