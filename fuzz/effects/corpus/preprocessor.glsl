#define S(a, b, t) smoothstep(a, b, t)
#define LONG_MACRO(x) (x) * \
                      2.0
#if defined(GL_ES) && __VERSION__ >= 300
uniform highp float iTime;
#else
uniform float iTime;
#endif
uniform Block { float inBlock; } block;
uniform float a = 1., b = -.5, c = 3e2;
void ma\
inImage(out vec4 o, vec2 u) { o = vec4(S(0., 1., fract(iTime)) * LONG_MACRO(a + b + c)); }
