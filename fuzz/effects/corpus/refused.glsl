// Several things wrap refuses, one per line.
uniform int iFrame;
uniform vec3 iChannelResolution[3];
float dp_origin = 1.0;
float café = 2.0;
void notMainImage(out vec4 c, vec2 p) { c = vec4(0); }
/* a comment that never ends
