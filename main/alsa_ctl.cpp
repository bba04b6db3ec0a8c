#include "main/alsa_ctl.h"

#include <cstdio>

int alsa_ctl_write(snd_ctl_t* ctl, const char* id, const char* value)
{
    printf("[%s] L%d write %s val:%s\n", __func__, __LINE__, id, value);
    snd_ctl_elem_id_t* elemId = nullptr;
    snd_ctl_elem_info_t* info = nullptr;
    snd_ctl_elem_value_t* elemValue = nullptr;
    snd_ctl_elem_id_alloca(&elemId);
    snd_ctl_elem_info_alloca(&info);
    snd_ctl_elem_value_alloca(&elemValue);

    int ret = snd_ctl_ascii_elem_id_parse(elemId, id);
    if (ret < 0) {
        printf("[%s] L%d parse %s ret:%d\n", __func__, __LINE__, id, ret);
        return ret;
    }
    snd_ctl_elem_info_set_id(info, elemId);
    ret = snd_ctl_elem_info(ctl, info);
    if (ret < 0) {
        printf("[%s] L%d info %s ret:%d\n", __func__, __LINE__, id, ret);
        return ret;
    }
    snd_ctl_elem_info_get_id(info, elemId);
    snd_ctl_elem_value_set_id(elemValue, elemId);
    ret = snd_ctl_elem_read(ctl, elemValue);
    if (ret < 0) {
        printf("[%s] L%d elem_read %s ret:%d\n", __func__, __LINE__, id, ret);
        return ret;
    }
    ret = snd_ctl_ascii_value_parse(ctl, elemValue, info, value);
    if (ret < 0) {
        printf("[%s] L%d value_parse %s ret:%d\n", __func__, __LINE__, id, ret);
        return ret;
    }
    ret = snd_ctl_elem_write(ctl, elemValue);
    if (ret < 0) {
        printf("[%s] L%d write %s ret:%d\n", __func__, __LINE__, id, ret);
    }
    return ret;
}

void alsa_etdm_out_set(uint8_t on)
{
    snd_ctl_t* ctl = nullptr;
    const int ret = snd_ctl_open(&ctl, "hw:0", 0);
    if (ret < 0) {
        printf("[%s,%d]:ret=%d\n", __func__, __LINE__, ret);
        return;
    }
    alsa_ctl_write(ctl, "name='Etdm_Force_On_Enable'", on != 0 ? "On" : "off");
    snd_ctl_close(ctl);
}
